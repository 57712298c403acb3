// Configure: the dialog with the four settings. It starts from the stored
// values and, on OK, writes the store and the in-memory copies together.
#include "plugin/config_dialog.h"

#include "services/messages.h"
#include "services/plugin_state.h"
#include "services/settings.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace davu {

namespace {

constexpr int kItemCount = 13;
constexpr int kDiskMenuItem = 1;
constexpr int kHotKeyItem = 2;
constexpr int kCurDirExtItem = 7;
constexpr int kSubDirExtItem = 9;
constexpr int kOkItem = 11;
constexpr int kListLimit = 510; // characters put into an extension field

const char kEmptyText[] = "";
const char kHotKeyMask[] = "9";

uintptr_t Own(const char *text) {
  return reinterpret_cast<uintptr_t>(text);
}

const CompactDialogItem kConfigItems[kItemCount] = {
    {farapi::DI_DOUBLEBOX, 3, 1, 64, 10, 0, 0, 0, 0, MSG_PLUGIN_NAME},
    {farapi::DI_CHECKBOX, 5, 2, 0, 0, 1, 0, 0, 0, MSG_CFG_DISK_MENU},
    {farapi::DI_FIXEDIT, 7, 3, 7, 3, 0, 0, farapi::DIF_MASKEDIT, 0,
     Own(kEmptyText)},
    {farapi::DI_TEXT, 9, 3, 0, 0, 0, 0, 0, 0, MSG_CFG_HOTKEY},
    {farapi::DI_TEXT, 8, 4, 0, 0, 0, 0,
     farapi::DIF_SEPARATOR | farapi::DIF_BOXCOLOR, 0, Own(kEmptyText)},
    {farapi::DI_TEXT, 5, 5, 0, 0, 0, 0, 0, 0, MSG_CFG_EXTENSIONS},
    {farapi::DI_TEXT, 7, 6, 0, 0, 0, 0, 0, 0, MSG_CFG_CURDIR_EXT},
    {farapi::DI_EDIT, 32, 6, 62, 10, 0, 0, 0, 0, Own(kEmptyText)},
    {farapi::DI_TEXT, 7, 7, 0, 0, 0, 0, 0, 0, MSG_CFG_SUBDIR_EXT},
    {farapi::DI_EDIT, 32, 7, 62, 10, 0, 0, 0, 0, Own(kEmptyText)},
    {farapi::DI_TEXT, 5, 8, 0, 0, 0, 0,
     farapi::DIF_SEPARATOR | farapi::DIF_BOXCOLOR, 0, Own(kEmptyText)},
    {farapi::DI_BUTTON, 0, 9, 0, 0, 0, 0, farapi::DIF_CENTERGROUP, 1, MSG_OK},
    {farapi::DI_BUTTON, 0, 9, 0, 0, 0, 0, farapi::DIF_CENTERGROUP, 0,
     MSG_CANCEL},
};

// The field's text as a string that ends inside the field.
std::string FieldText(const farapi::FarDialogItem &item) {
  return std::string(item.Data, strnlen(item.Data, sizeof item.Data));
}

std::string LowerAscii(std::string text) {
  for (char &c : text)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return text;
}

void SetField(farapi::FarDialogItem &item, const std::string &text, int limit) {
  snprintf(item.Data, sizeof item.Data, "%.*s", limit, text.c_str());
}

} // namespace

void WidenDialogItems(const CompactDialogItem *compact, int count,
                      farapi::FarDialogItem *items) {
  for (int i = 0; i < count; ++i) {
    const CompactDialogItem &row = compact[i];
    farapi::FarDialogItem &item = items[i];
    memset(&item, 0, sizeof item);
    item.Type = row.Type;
    item.X1 = row.X1;
    item.Y1 = row.Y1;
    item.X2 = row.X2;
    item.Y2 = row.Y2;
    item.Focus = row.Focus;
    item.Param.Selected = static_cast<int>(row.Selected);
    item.Flags = row.Flags;
    item.DefaultButton = row.DefaultButton;
    const char *text = row.Data < kOwnTextBase
                           ? MsgText(static_cast<int>(row.Data))
                           : reinterpret_cast<const char *>(row.Data);
    snprintf(item.Data, sizeof item.Data, "%s", text ? text : "");
  }
}

int ConfigureImpl(int /*itemNumber*/) {
  if (!HostInfo.Dialog)
    return 0;
  farapi::FarDialogItem items[kItemCount];
  WidenDialogItems(kConfigItems, kItemCount, items);

  if (!ReadSetting("DiskMenu", "1").empty()) {
    items[kDiskMenuItem].Param.Selected = 1;
    SetField(items[kHotKeyItem], ReadSetting("DiskMenuHotKey", ""), 2);
  }
  items[kHotKeyItem].Param.Mask = kHotKeyMask;
  SetField(items[kCurDirExtItem], ReadSetting("CurDirExt", ".*;"), kListLimit);
  SetField(items[kSubDirExtItem], ReadSetting("SubDirExt", ".mp3; .wma;"),
           kListLimit);

  int result = HostInfo.Dialog(HostInfo.ModuleNumber, -1, -1, 68, 12, "Config",
                               items, kItemCount);
  if (result != kOkItem)
    return 0;

  PluginSettingsRecord &settings = Plugin().Settings;
  bool diskMenu = items[kDiskMenuItem].Param.Selected != 0;
  WriteSetting("DiskMenu", diskMenu ? "1" : "");
  settings.DiskMenu = diskMenu;

  std::string hotKey = FieldText(items[kHotKeyItem]);
  if (!hotKey.empty() && hotKey[0] >= '0' && hotKey[0] <= '9') {
    WriteSetting("DiskMenuHotKey", hotKey.c_str());
    settings.DiskMenuHotKey = hotKey[0];
  } else {
    WriteSetting("DiskMenuHotKey", "");
    settings.DiskMenuHotKey = 0;
  }

  std::string curDirExt = LowerAscii(FieldText(items[kCurDirExtItem]));
  std::string subDirExt = LowerAscii(FieldText(items[kSubDirExtItem]));
  WriteSetting("CurDirExt", curDirExt.c_str());
  WriteSetting("SubDirExt", subDirExt.c_str());
  snprintf(settings.CurDirExt, sizeof settings.CurDirExt, "%s",
           curDirExt.c_str());
  snprintf(settings.SubDirExt, sizeof settings.SubDirExt, "%s",
           subDirExt.c_str());
  return 1;
}

} // namespace davu
