// Catalogue ids: every text the plug-in shows comes from the language file
// under one of these numbers.
#pragma once

#include "device/name_conversion.h"
#include "progress/progress_display.h"

namespace davu {

enum MessageId : int {
  MSG_PLUGIN_NAME = 0,       // plug-ins and configuration menus; dialog title
  MSG_DISK_MENU = 1,         // disk menu entry, panel format, info caption
  MSG_CFG_DISK_MENU = 2,     // check box: add to disk menu
  MSG_CFG_HOTKEY = 3,        // text right of the hot-key digit
  MSG_CFG_EXTENSIONS = 4,    // text above the extension fields
  MSG_CFG_CURDIR_EXT = 5,    // label of CurDirExt
  MSG_CFG_SUBDIR_EXT = 6,    // label of SubDirExt
  MSG_ERROR_TITLE = 7,       // title of error notices
  MSG_NO_LIBRARY = 8,        // USBCTRL.dll not loaded
  MSG_NO_ENTRY_POINT = 9,    // an export is missing
  MSG_NOT_READY = 10,        // player not connected or not ready
  MSG_WARNING_TITLE = 11,    // title of warnings and confirmations
  MSG_CONNECT_WARNING = 12,  // GetVersionInfo returned 6
  MSG_COPY_FROM_PLAYER = 13, // GetFiles copy question
  MSG_MOVE_FROM_PLAYER = 14, // GetFiles move question
  MSG_NOT_ENOUGH_SPACE = 15, // PutFiles free-space warning
  MSG_COPY_TO_PLAYER = 16,   // PutFiles copy question
  MSG_MOVE_TO_PLAYER = 17,   // PutFiles move question
  MSG_DELETE_FILES = 18,     // DeleteFiles question
  MSG_FORMAT_MEMORY = 19,    // format question
  MSG_COPY_ALL = 20,         // copy-all question
  MSG_MOVE_ALL = 21,         // move-all question
  MSG_DELETE_ALL = 22,       // delete-all question
  MSG_HOST_TOO_OLD = 23,     // host table smaller than 372 bytes
  MSG_CONNECTING_1 = 24,     // connecting box, first line
  MSG_CONNECTING_2 = 25,     // connecting box, second line
  MSG_TITLE_INTERNAL = 26,   // panel title, internal memory
  MSG_TITLE_EXTERNAL = 27,   // panel title, memory card
  MSG_INFO_VERSION = 28,     // info panel: version label
  MSG_INFO_CAPACITY = 29,    // info panel: capacity caption
  MSG_INFO_TOTAL_SIZE = 30,  // info panel: both memories' capacity
  MSG_INFO_FREE = 31,        // info panel: free space caption
  MSG_INFO_TOTAL_FREE = 32,  // info panel: both memories' free space
  MSG_INFO_INTERNAL = 33,    // info panel: internal memory figure
  MSG_INFO_EXTERNAL = 34,    // info panel: memory card figure
  MSG_KEY_SWITCH = 35,       // F7
  MSG_KEY_MOVE_UP = 36,      // Shift+F1
  MSG_KEY_MOVE_DOWN = 37,    // Shift+F2
  MSG_KEY_MOVE_TO = 38,      // Shift+F3
  MSG_KEY_COPY_ALL = 39,     // Shift+F5
  MSG_KEY_MOVE_ALL = 40,     // Shift+F6
  MSG_KEY_FORMAT = 41,       // Shift+F7
  MSG_KEY_DELETE_ALL = 42,   // Shift+F8
  MSG_KEY_RECONNECT = 43,    // Shift+F9
  MSG_OK = 44,               // single button of notices; dialog OK
  MSG_CANCEL = 45,           // last button of confirmations; dialog Cancel
  MSG_BTN_COPY = 46,         // copy confirmations: go on
  MSG_BTN_CONTINUE = 47,     // not enough space: go on
  MSG_BTN_SWITCH_WHEN_FULL = 48, // not enough space: go on, then other memory
  MSG_BTN_MOVE = 49,             // move confirmations: go on
  MSG_BTN_DELETE = 50,           // delete confirmations: go on
  MSG_BTN_FORMAT = 51,           // format confirmation: go on
  MSG_BTN_COPY_KEEP = 52,        // copy, keeping existing files
  MSG_BTN_MOVE_KEEP = 53,        // move, keeping existing files
  MSG_BTN_PLAYLISTS = 54,        // PC to player: playlist mode
  MSG_BTN_PLAYLISTS_KEEP = 55,   // PC to player: playlists, keep existing
  MSG_TABLE_TO_DEVICE = kTableToDeviceMessage, // 128-byte table, PC to player
  MSG_TABLE_TO_PC = kTableToPcMessage,         // 128-byte table, player to PC
  MSG_FAILED_TITLE = 58,       // title of the box listing what did not go
  MSG_FAILED_COUNT = 59,       // "%d of %d files did not go", in this order
  MSG_REASON_MEMORY_FULL = 60, // reasons shown beside a failed name
  MSG_REASON_NO_ANSWER = 61,
  MSG_REASON_IN_USE = 62,
  MSG_REASON_BAD_NAME = 63,
  MSG_REASON_NOT_FOUND = 64,
  MSG_STOPPED = 65,           // "...the operation stopped: %s", the reason
  MSG_STOPPED_NO_MEMORY = 66, // reasons for it
  MSG_STOPPED_UNEXPECTED = 67,
  // 68 to 81: the progress box's own texts (ProgressMessage).
  MSG_PROGRESS_FIRST = kProgressTitleUpload,
  MSG_PROGRESS_LAST = kProgressLastMessage,
  MSG_REASON_OLD_REMOVED = 82, // "; its old file was removed" after a reason
  MSG_REASON_CODE_PAGE = 83,   // a PC name the host gave with '?' in it
  MSG_INFO_NOT_CONNECTED = 84, // info panel: the player does not answer
  MSG_NO_CARD = 85,            // F7, Shift+F7, F5 with no memory card
  MSG_FORMAT_FAILED = 86,      // the library did not format the memory
  MSG_NOTHING_TO_SEND = 87,    // a copy to the player that found no file
  MSG_MOVE_TO_TITLE = 88,      // title of the Shift+F3 dialog
};

constexpr int kMessageCount = MSG_MOVE_TO_TITLE + 1;

} // namespace davu
