#!/usr/bin/env bash
# Lays out every box and dialog of boxes.txt as FAR 1.70 does, with each
# language file given, and fails when one does not fit an 80x25 console.
# A message box is as wide as its longest line, its title (with a blank
# on each side) or its row of buttons (each "[ label ]", one blank
# between), plus 10 columns of frame, padding and shadow; as tall as its
# lines, plus 2 rows for the separator and the buttons when it has any,
# plus 4 rows of frame, padding and shadow.
# Usage: check_box_sizes.sh BOXES.TXT LNG...
set -euo pipefail
# Widths in bytes: the language files use one-byte OEM code pages.
export LC_ALL=C
table=$1
shift
status=0
for lng in "$@"; do
  awk -v lang="$(basename "$lng")" '
    function unquote(line,   t) {
      # A message line: the text between the first and the last quote.
      t = substr(line, 2)
      sub(/"[ \t\r]*$/, "", t)
      gsub(/\\\\/, "\001", t); gsub(/\\"/, "\"", t); gsub(/""/, "\"", t)
      gsub(/\\[nrtb]/, " ", t); gsub(/\001/, "\\", t)
      return t
    }
    # The text of one item of the table.
    function text(item,   n) {
      if (item ~ /^w[0-9]+$/) { n = substr(item, 2) + 0; return sprintf("%" n "s", "") }
      if (item ~ /^"/) { gsub(/"/, "", item); return item }
      if (!((item + 0) in msg)) { bad("no message " item); return "" }
      return msg[item + 0]
    }
    # A button label as shown: a single & only marks the hot key.
    function label(t) { gsub(/&&/, "\001", t); gsub(/&/, "", t); return t }
    function buttonsWidth(list,   n, i, w, b) {
      n = split(list, b, " "); w = 0
      for (i = 1; i <= n; i++) w += length(label(text(b[i]))) + 4
      return n ? w + n - 1 : 0
    }
    function bad(why) { printf "%s: %s: %s\n", lang, name, why; failed = 1 }
    function trim(s) { gsub(/^[ \t]+|[ \t]+$/, "", s); return s }
    # Items of a dialog line after its first `skip` words; quoted texts
    # stay whole.
    function dialogItem(line, skip,   rest, i) {
      rest = line
      for (i = 0; i <= skip; i++) sub(/^[ \t]*[^ \t]+/, "", rest)
      return trim(rest)
    }
    FNR == NR {
      if ($0 ~ /^"/) msg[count++] = unquote($0)
      next
    }
    /^[ \t]*(#|$)/ { next }
    $1 == "box" {
      split(substr($0, index($0, " ") + 1), part, "|")
      name = trim(part[1]); title = trim(part[2])
      lines = trim(part[3]); buttons = trim(part[4])
      width = length(text(title)) + 2
      n = split(lines, l, " ")
      for (i = 1; i <= n; i++) if (length(text(l[i])) > width) width = length(text(l[i]))
      bw = buttonsWidth(buttons)
      if (bw > width) width = bw
      width += 10
      height = n + (buttons != "" ? 2 : 0) + 4
      if (width > 80 || height > 25) bad(sprintf("%dx%d, over 80x25", width, height))
      boxes++
      next
    }
    $1 == "dialog" {
      name = $2; for (i = 3; i < NF - 1; i++) name = name " " $i
      dw = $(NF - 1); dh = $NF
      if (dw > 80 || dh > 25) bad(sprintf("%dx%d, over 80x25", dw, dh))
      dialogs++
      next
    }
    $1 == "frame" {
      t = text(dialogItem($0, 2))
      if (length(t) + 2 > $3 - $2 - 1) bad("title \"" t "\" wider than its frame")
      next
    }
    $1 == "label" || $1 == "check" {
      t = text(dialogItem($0, 2))
      end = $2 + length(t) + ($1 == "check" ? 4 : 0)
      if (end > $3) bad(sprintf("\"%s\" ends at column %d, past %d", t, end - 1, $3 - 1))
      next
    }
    $1 == "buttons" {
      bw = buttonsWidth(dialogItem($0, 2))
      if (bw > $3 - $2 - 1) bad(sprintf("buttons take %d columns of %d", bw, $3 - $2 - 1))
      next
    }
    { bad("cannot read table line: " $0) }
    END {
      if (!failed) printf "%s: %d boxes and %d dialogs fit 80x25\n", lang, boxes, dialogs
      exit failed
    }
  ' "$lng" "$table" || status=1
done
exit $status
