// The Control service: what the plug-in asks of its panel and the other.
#include "sim/farhost/host_impl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace farhost {

// One call of Control as its handlers see it.
struct ControlCall {
  Host *host;
  Host::Impl *impl;
  int command;
  void *param;
  char summary[128];
  int result;
  bool lineWritten; // the handler wrote its transcript line itself
};

// The handlers reach into the Host's panel model, so they are its friend.
struct ControlHandlers {
  static void Refuse(ControlCall *call);
  static void PanelInfo(ControlCall *call);
  static void PluginPanelInfo(ControlCall *call, farapi::PanelInfo *info);
  static void PcPanelInfo(ControlCall *call, farapi::PanelInfo *info);
  static void UpdatePanel(ControlCall *call);
  static void UpdateAnotherPanel(ControlCall *call);
  static void RedrawPanel(ControlCall *call);
  static void RedrawAnotherPanel(ControlCall *call);
  static void SetSortMode(ControlCall *call);
};

namespace {

struct ControlCommand {
  int command;
  const char *name;
  void (*handle)(ControlCall *call);
};

// Commands the host knows; those it does not carry out answer 0.
const ControlCommand kControlCommands[] = {
    {farapi::FCTL_CLOSEPLUGIN, "CLOSEPLUGIN", ControlHandlers::Refuse},
    {farapi::FCTL_GETPANELINFO, "GETPANELINFO", ControlHandlers::PanelInfo},
    {farapi::FCTL_GETANOTHERPANELINFO, "GETANOTHERPANELINFO",
     ControlHandlers::PanelInfo},
    {farapi::FCTL_UPDATEPANEL, "UPDATEPANEL", ControlHandlers::UpdatePanel},
    {farapi::FCTL_UPDATEANOTHERPANEL, "UPDATEANOTHERPANEL",
     ControlHandlers::UpdateAnotherPanel},
    {farapi::FCTL_REDRAWPANEL, "REDRAWPANEL", ControlHandlers::RedrawPanel},
    {farapi::FCTL_REDRAWANOTHERPANEL, "REDRAWANOTHERPANEL",
     ControlHandlers::RedrawAnotherPanel},
    {farapi::FCTL_SETANOTHERPANELDIR, "SETANOTHERPANELDIR",
     ControlHandlers::Refuse},
    {farapi::FCTL_SETSORTMODE, "SETSORTMODE", ControlHandlers::SetSortMode},
};

const ControlCommand *FindCommand(int command) {
  for (const ControlCommand &c : kControlCommands)
    if (c.command == command)
      return &c;
  return nullptr;
}

void CheckCaller(Host::Impl *impl, HANDLE panel) {
  bool knownHandle =
      panel == impl->host->Panel() || panel == INVALID_HANDLE_VALUE;
  std::lock_guard<std::mutex> lock(impl->mutex);
  if (impl->OtherThread())
    impl->ProblemLocked("Control called from another thread");
  if (!knownHandle)
    impl->ProblemLocked("Control called with a handle that is not the "
                        "panel's");
}

// Keeps the record and writes the transcript line of a call.
int Finish(const ControlCall &call, HANDLE panel, const ControlCommand *entry) {
  ControlRecord r;
  r.handle = panel;
  r.command = call.command;
  r.param = call.summary;
  r.result = call.result;
  Host::Impl *impl = call.impl;
  std::lock_guard<std::mutex> lock(impl->mutex);
  impl->controls.push_back(r);
  if (call.lineWritten)
    return call.result;
  if (entry) {
    impl->AddLineLocked(
        std::string("control ") + entry->name +
        (call.summary[0] ? std::string(" ") + call.summary : ""));
  } else {
    char text[64];
    snprintf(text, sizeof text, "Control command %d is not supported",
             call.command);
    impl->ProblemLocked(text);
  }
  return call.result;
}

} // namespace

int ControlService(HANDLE panel, int command, void *param) {
  Host::Impl *impl = g_active;
  if (!impl)
    return 0;
  CheckCaller(impl, panel);
  ControlCall call{impl->host, impl, command, param, "", 1, false};
  const ControlCommand *entry = FindCommand(command);
  if (entry)
    entry->handle(&call);
  else
    call.result = 0;
  return Finish(call, panel, entry);
}

// --- the handlers -----------------------------------------------------------

void ControlHandlers::Refuse(ControlCall *call) {
  call->result = 0;
}

void ControlHandlers::PanelInfo(ControlCall *call) {
  farapi::PanelInfo *info = static_cast<farapi::PanelInfo *>(call->param);
  if (!info) {
    call->result = 0;
    snprintf(call->summary, sizeof call->summary, "null");
    return;
  }
  memset(info, 0, sizeof *info);
  info->Visible = 1;
  info->ViewMode = 2; // FAR's default view, Medium
  // FAR's defaults: PFLAGS_SHOWHIDDEN | PFLAGS_HIGHLIGHT.
  info->Flags = 0x3;
  if (call->command == farapi::FCTL_GETPANELINFO)
    PluginPanelInfo(call, info);
  else
    PcPanelInfo(call, info);
}

void ControlHandlers::PluginPanelInfo(ControlCall *call,
                                      farapi::PanelInfo *info) {
  Host *host = call->host;
  Host::Impl *impl = call->impl;
  const PanelModel &m = host->model_;
  impl->infoItems.clear();
  for (const PanelEntry &e : m.entries)
    impl->infoItems.push_back(e.item);
  host->CurrentOrSelected(&impl->infoSelected);
  info->PanelType = farapi::PTYPE_FILEPANEL;
  info->Plugin = 1;
  info->PanelRect = RECT{0, 1, 39, 22};
  info->PanelItems = impl->infoItems.empty() ? nullptr : impl->infoItems.data();
  info->ItemsNumber = static_cast<int>(impl->infoItems.size());
  info->SelectedItems =
      impl->infoSelected.empty() ? nullptr : impl->infoSelected.data();
  info->SelectedItemsNumber = static_cast<int>(impl->infoSelected.size());
  info->CurrentItem = m.cursor;
  info->TopPanelItem = m.top;
  info->Focus = 1;
  snprintf(info->CurDir, sizeof info->CurDir, "%s", m.curDir.c_str());
  info->SortMode = m.sortMode;
  snprintf(call->summary, sizeof call->summary,
           "-> %d items, cursor %d, top %d, sort %s, flags 0x%lx",
           info->ItemsNumber, info->CurrentItem, info->TopPanelItem,
           SortName(m.sortMode), static_cast<unsigned long>(info->Flags));
}

void ControlHandlers::PcPanelInfo(ControlCall *call, farapi::PanelInfo *info) {
  Host *host = call->host;
  Host::Impl *impl = call->impl;
  host->RereadPc();
  const PcPanel &pc = host->pc_;
  impl->otherItems.clear();
  impl->otherSelected.clear();
  for (size_t i = 0; i < pc.items.size(); ++i) {
    farapi::PluginPanelItem item = pc.items[i];
    if (pc.selected[i]) {
      item.Flags |= farapi::PPIF_SELECTED;
      impl->otherSelected.push_back(item);
    }
    impl->otherItems.push_back(item);
  }
  info->PanelType = farapi::PTYPE_FILEPANEL;
  info->Plugin = 0;
  info->PanelRect = RECT{40, 1, 79, 22};
  info->PanelItems =
      impl->otherItems.empty() ? nullptr : impl->otherItems.data();
  info->ItemsNumber = static_cast<int>(impl->otherItems.size());
  info->SelectedItems =
      impl->otherSelected.empty() ? nullptr : impl->otherSelected.data();
  info->SelectedItemsNumber = static_cast<int>(impl->otherSelected.size());
  snprintf(info->CurDir, sizeof info->CurDir, "%s", pc.folder.c_str());
  info->SortMode = farapi::SM_NAME;
  snprintf(call->summary, sizeof call->summary, "-> PC folder, %d items",
           info->ItemsNumber);
}

// The line goes out before the listing is read, so that the calls the
// update makes follow it in the transcript.
void ControlHandlers::UpdatePanel(ControlCall *call) {
  Host *host = call->host;
  snprintf(call->summary, sizeof call->summary, "%s",
           call->param ? "keep selection" : "reset selection");
  host->AddLine(std::string("control UPDATEPANEL ") + call->summary);
  call->lineWritten = true;
  host->CallGetOpenPluginInfo();
  host->ReadListing(call->param != nullptr);
}

void ControlHandlers::UpdateAnotherPanel(ControlCall *call) {
  call->host->RereadPc();
}

void ControlHandlers::RedrawPanel(ControlCall *call) {
  Host *host = call->host;
  const farapi::PanelRedrawInfo *redraw =
      static_cast<const farapi::PanelRedrawInfo *>(call->param);
  host->CallGetOpenPluginInfo();
  if (!redraw) {
    snprintf(call->summary, sizeof call->summary, "null");
    return;
  }
  int n = static_cast<int>(host->model_.entries.size());
  int last = n > 0 ? n - 1 : 0;
  host->model_.cursor = std::min(std::max(redraw->CurrentItem, 0), last);
  host->model_.top = std::min(std::max(redraw->TopPanelItem, 0), last);
  snprintf(call->summary, sizeof call->summary, "cursor %d, top %d",
           redraw->CurrentItem, redraw->TopPanelItem);
}

void ControlHandlers::RedrawAnotherPanel(ControlCall *call) {
  snprintf(call->summary, sizeof call->summary, "%s",
           call->param ? "with info" : "null");
}

void ControlHandlers::SetSortMode(ControlCall *call) {
  const int *mode = static_cast<const int *>(call->param);
  if (!mode || !call->host->SetSortMode(*mode)) {
    call->result = 0;
    snprintf(call->summary, sizeof call->summary, "%s",
             mode ? "bad mode" : "null");
  } else {
    snprintf(call->summary, sizeof call->summary, "%s", SortName(*mode));
  }
}

} // namespace farhost
