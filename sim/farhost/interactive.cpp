// The interactive host: two panels, a command line and a key bar drawn in
// the console; keys read from the console input; the plug-in's boxes,
// dialogs and progress boxes drawn as FAR draws them. The Host underneath
// is the same one the scripted mode drives.
#include "sim/farhost/interactive_screen.h"

namespace farhost {
namespace ui {

void Interactive::SaveScreen(int number) {
  std::lock_guard<std::recursive_mutex> lock(draw_);
  saved_[number] = screen_;
  progressBase_ = ScreenModel(1, 1);
}

void Interactive::RestoreScreen(int number) {
  std::lock_guard<std::recursive_mutex> lock(draw_);
  progressBase_ = ScreenModel(1, 1);
  auto it = saved_.find(number);
  if (it != saved_.end()) {
    if (it->second.Width() == screen_.Width() &&
        it->second.Height() == screen_.Height())
      screen_ = it->second;
    saved_.erase(it);
  }
  Output();
}

void Interactive::Text(int x, int y, int color, const char *text) {
  std::lock_guard<std::recursive_mutex> lock(draw_);
  screen_.Put(x, y, Wide(text), static_cast<uint16_t>(color & 0xFF));
}

int Interactive::Run() {
  if (!console_.Open()) {
    fprintf(stderr, "farhost: --interactive needs a console\n");
    return 1;
  }
  Resize();
  char current[MAX_PATH] = {};
  std::string pc = options_.pcFolder;
  if (pc.empty() ||
      !GetFullPathNameA(pc.c_str(), sizeof current, current, nullptr)) {
    GetCurrentDirectoryA(sizeof current, current);
  }
  pc = current;
  if (pc.size() > 3 && pc.back() == '\\')
    pc.pop_back();
  for (Side &s : sides_) {
    s.folder = pc;
    ReadPcSide(&s);
  }
  host_.SetUi(this);
  Resize();
  DrawAll();
  for (const MessageRecord &box : host_.LoadingBoxes())
    ShowMessage(box);
  for (;;) {
    Resize();
    DrawAll();
    Key k = console_.Read();
    if (k.resize)
      continue;
    if (!Dispatch(k) || console_.Gone())
      break;
    // FAR follows most keys with KEY_NONE.
    if (sides_[0].plugin || sides_[1].plugin)
      host_.SendIdleKey();
  }
  host_.ClosePanel();
  host_.SetUi(nullptr);
  console_.Close();
  return 0;
}

} // namespace ui

int RunInteractive(Host &host, const InteractiveOptions &options) {
  ui::Interactive screen(host, options);
  return screen.Run();
}

} // namespace farhost
