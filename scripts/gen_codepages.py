#!/usr/bin/env python3
"""Writes the two code-page tables (messages 56 and 57) into the language files.

Message 56 turns bytes 0x80..0xFF of a PC file name (the OEM code page FAR
works in) into the player's code page (a Windows code page); message 57 does
the opposite. The two tables are inverse permutations of 0x80..0xFF, so a
player name converted to the PC and back comes out with the same bytes:
characters present in both code pages pair by character, the leftovers of
each side pair in byte order.

Usage: gen_codepages.py [--check] [LNG_FOLDER]
"""
import os
import sys

PAIRS = {
    "DAVUmanEng.lng": ("cp437", "cp1252"),
    "DAVUmanRus.lng": ("cp866", "cp1251"),
}
TABLE_TO_DEVICE = 56
TABLE_TO_PC = 57


def char_of(byte, codec):
    try:
        return bytes([byte]).decode(codec)
    except UnicodeDecodeError:
        return None


def tables(pc_codec, device_codec):
    high = range(0x80, 0x100)
    device_by_char = {}
    for b in high:
        c = char_of(b, device_codec)
        if c is not None:
            device_by_char.setdefault(c, b)
    to_device = {}
    for b in high:
        c = char_of(b, pc_codec)
        if c is not None and c in device_by_char:
            to_device[b] = device_by_char.pop(c)
    pc_left = [b for b in high if b not in to_device]
    device_left = sorted(set(high) - set(to_device.values()))
    to_device.update(zip(pc_left, device_left))
    to_pc = {d: p for p, d in to_device.items()}
    return (bytes(to_device[b] for b in high), bytes(to_pc[b] for b in high))


def message_line(table):
    return b'"' + table + b'"'


def rewrite(path, pc_codec, device_codec, check):
    with open(path, "rb") as f:
        lines = f.read().split(b"\r\n")
    to_device, to_pc = tables(pc_codec, device_codec)
    wanted = {TABLE_TO_DEVICE: message_line(to_device),
              TABLE_TO_PC: message_line(to_pc)}
    index = 0
    changed = False
    for n, line in enumerate(lines):
        if not line.startswith(b'"'):
            continue
        if index in wanted and line != wanted[index]:
            lines[n] = wanted[index]
            changed = True
        index += 1
    if index <= TABLE_TO_PC:
        sys.exit(f"{path}: {index} messages, expected more than {TABLE_TO_PC}")
    if changed and check:
        sys.exit(f"{path}: code-page tables are out of date")
    if changed:
        with open(path, "wb") as f:
            f.write(b"\r\n".join(lines))


def main():
    args = sys.argv[1:]
    check = "--check" in args
    args = [a for a in args if a != "--check"]
    folder = args[0] if args else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "lang")
    for name, (pc, device) in PAIRS.items():
        rewrite(os.path.join(folder, name), pc, device, check)


if __name__ == "__main__":
    main()
