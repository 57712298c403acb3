#include "sim/farhost/script_far_keys.h"

#include "sim/farhost/script_words.h"

namespace farhost {

namespace {

using Words = std::vector<std::string>;

void QuickView(Host &host, const Words &w) {
  std::vector<int> typed;
  for (size_t i = 1; i < w.size(); ++i) {
    int key = 0;
    unsigned state = 0;
    if (!ParseKey(w[i], &key, &state) || state != 0)
      throw ScriptError{"cannot type \"" + w[i] + "\" meanwhile"};
    typed.push_back(key);
  }
  host.QuickView(typed);
}

void Find(Host &host, const Words &w) {
  int cancelAt = 0;
  if (w.size() == 5 && w[2] == "cancel" && w[3] == "at")
    cancelAt = Number(w[4], "a copy number");
  else if (w.size() != 2)
    throw ScriptError{"find TEXT [cancel at N]"};
  host.Find(w[1], cancelAt);
}

void Edit(Host &host, const Words &w) {
  if (!host.Api().PutFiles)
    throw ScriptError{"the plug-in has no PutFiles export"};
  if (w.size() != 2)
    throw ScriptError{"edit needs the text the editor adds"};
  host.Edit(w[1]);
}

} // namespace

void RunFarKeyCommand(Host &host, const Words &words) {
  if (words[0] == "quickview")
    QuickView(host, words);
  else if (words[0] == "find")
    Find(host, words);
  else
    Edit(host, words);
}

} // namespace farhost
