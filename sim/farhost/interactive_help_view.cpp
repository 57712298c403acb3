// The help viewer of the interactive host: a topic of the plug-in's help
// file in a frame, scrolled with the arrows, links followed with Tab and
// Enter, Backspace back to the topic before.
#include "sim/farhost/interactive_screen.h"

#include <algorithm>

namespace farhost {
namespace ui {

// One topic as it is shown.
struct Interactive::HelpView {
  Rect box;
  int width = 0;
  std::vector<HelpLine> head, body; // the '$' header lines, the rest
  std::vector<std::string> links;
  int rows = 0; // body rows that fit
  int top = 0, link = -1;
  std::wstring title;
};

void Interactive::Help(const std::string &first) {
  std::lock_guard<std::recursive_mutex> lock(draw_);
  std::vector<std::string> history;
  std::string topicName = first;
  ScreenModel under = screen_;
  while (HelpPage(host_.HelpFile(), &topicName, &history, under)) {
  }
  screen_ = under;
}

// Shows one topic until the user leaves it: true with the next topic in
// *topicName, false when the help closes.
bool Interactive::HelpPage(const std::string &file, std::string *topicName,
                           std::vector<std::string> *history,
                           const ScreenModel &under) {
  HelpTopic topic = ReadHelpTopic(file, *topicName);
  if (!topic.found && *topicName != "Contents") {
    *topicName = "Contents";
    return true;
  }
  HelpView v;
  // FAR's help window: 92 columns where the screen has them.
  v.width = std::min(screen_.Width(), 92);
  v.title = L" Help - " + Wide(topic.pluginContents) + L" ";
  v.box =
      Rect{(screen_.Width() - v.width) / 2, 0,
           (screen_.Width() - v.width) / 2 + v.width - 1, screen_.Height() - 1};
  for (const HelpLine &l : WrapHelp(topic, v.width - 4))
    (l.header ? v.head : v.body).push_back(l);
  v.links = topic.links;
  v.rows = v.box.Height() - 2 - static_cast<int>(v.head.size()) -
           (v.head.empty() ? 0 : 1);
  for (;;) {
    screen_ = under;
    DrawHelp(v);
    Key k = console_.Read();
    HelpMove move = HelpKey(k, &v, topicName, history);
    if (move == HelpMove::Close)
      return false;
    if (move == HelpMove::Topic)
      return true;
  }
}

void Interactive::DrawHelp(const HelpView &v) {
  screen_.Fill(v.box, L' ', color::kHelp);
  screen_.Frame(v.box, true, color::kHelp);
  const std::wstring &t = v.title;
  screen_.Put(v.box.x1 + (v.width - static_cast<int>(t.size())) / 2, v.box.y1,
              t, color::kHelp);
  int y = v.box.y1 + 1;
  for (const HelpLine &l : v.head)
    DrawHelpLine(v, l, y++);
  if (!v.head.empty())
    screen_.Separator(v.box.x1, v.box.x2, y++, true, color::kHelp);
  for (int i = 0; i < v.rows && v.top + i < static_cast<int>(v.body.size());
       ++i)
    DrawHelpLine(v, v.body[v.top + i], y + i);
  Output();
}

void Interactive::DrawHelpLine(const HelpView &v, const HelpLine &l, int y) {
  int x = v.box.x1 + 2;
  if (l.centred)
    x = v.box.x1 + (v.width - static_cast<int>(l.text.size())) / 2;
  std::wstring text = Wide(l.text);
  for (size_t c = 0; c < text.size() && c < l.bold.size(); ++c) {
    uint16_t a = color::kHelp;
    if (l.link[c] >= 0)
      a = l.link[c] == v.link ? color::kHelpLinkFocus : color::kHelpLink;
    else if (l.bold[c])
      a = color::kHelpBold;
    if (x + static_cast<int>(c) < v.box.x2)
      screen_.PutCell(x + static_cast<int>(c), y, text[c], a);
  }
}

Interactive::HelpMove Interactive::HelpKey(const Key &k, HelpView *v,
                                           std::string *topicName,
                                           std::vector<std::string> *history) {
  if (k.Is(VK_ESCAPE) || k.Is(VK_F10))
    return HelpMove::Close;
  int linkCount = static_cast<int>(v->links.size());
  int maxTop = std::max(0, static_cast<int>(v->body.size()) - v->rows);
  if (k.Is(VK_DOWN))
    v->top = std::min(v->top + 1, maxTop);
  else if (k.Is(VK_UP))
    v->top = std::max(v->top - 1, 0);
  else if (k.Is(VK_NEXT))
    v->top = std::min(v->top + v->rows, maxTop);
  else if (k.Is(VK_PRIOR))
    v->top = std::max(v->top - v->rows, 0);
  else if (k.Is(VK_HOME))
    v->top = 0;
  else if (k.Is(VK_END))
    v->top = maxTop;
  else if (linkCount > 0 && (k.Is(VK_TAB) || k.Is(VK_RIGHT)))
    v->link = (v->link + 1) % linkCount;
  else if (linkCount > 0 && (k.Is(VK_TAB, farapi::PKF_SHIFT) || k.Is(VK_LEFT)))
    v->link = (v->link + linkCount - 1) % linkCount;
  else if (k.Is(VK_RETURN) && v->link >= 0) {
    history->push_back(*topicName);
    *topicName = v->links[v->link];
    return HelpMove::Topic;
  } else if (k.Is(VK_BACK) || k.Is(VK_F1, farapi::PKF_ALT)) {
    if (!history->empty()) {
      *topicName = history->back();
      history->pop_back();
      return HelpMove::Topic;
    }
  } else if (k.Is(VK_F1)) {
    history->push_back(*topicName);
    *topicName = "Contents";
    return HelpMove::Topic;
  }
  ShowLink(v);
  return HelpMove::Stay;
}

// Scrolls so that the chosen link is in view.
void Interactive::ShowLink(HelpView *v) {
  if (v->link < 0)
    return;
  for (int i = 0; i < static_cast<int>(v->body.size()); ++i)
    if (std::find(v->body[i].link.begin(), v->body[i].link.end(), v->link) !=
        v->body[i].link.end()) {
      if (i < v->top)
        v->top = i;
      if (i >= v->top + v->rows)
        v->top = i - v->rows + 1;
      break;
    }
}

} // namespace ui
} // namespace farhost
