// Editing the player's play order from the panel.
#pragma once

#include "services/plugin_state.h"

#include <windows.h>

namespace davu {

void MoveUp(PanelSession *session, HANDLE panel);
void MoveDown(PanelSession *session, HANDLE panel);
void MoveTo(PanelSession *session, HANDLE panel);

// What the "Move item to" field holds.
enum class EntryKind { Number, NotANumber, Blank };

struct MoveEntry {
  EntryKind Kind = EntryKind::Blank;
  int Number = 0;
  bool Relative = false; // a '+' anywhere in the text
};

// Reads the field like "%i": leading blanks, an optional sign, then decimal
// digits, "0x" and hexadecimal digits, or "0" and octal digits. A number
// beyond the int range saturates.
MoveEntry ReadMoveEntry(const char *text);

// Target position for MoveInPlayOrder from the entry, the panel's item
// count (the parent entry included) and the panel index of the file that
// leads the move; clamped to the positions that exist.
int MoveToTarget(const MoveEntry &entry, int itemsNumber, int entryIndex);

} // namespace davu
