#!/usr/bin/env python3
"""Writes a small playlist of tagged MP3 files for the demo: a few silent MPEG-1 Layer III
frames per file, an ID3v1 tag block at the end (one file has none), and demo.m3u naming them."""
import os
import struct
import sys

FRAME_HEADER = bytes([0xFF, 0xFB, 0x90, 0x64])  # MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, no CRC
FRAME_SIZE = 144 * 128000 // 44100             # 417 bytes, no padding


def silent_frames(count):
    return (FRAME_HEADER + bytes(FRAME_SIZE - len(FRAME_HEADER))) * count


def id3v1(title, artist, album, year, comment, genre):
    def field(text, width):
        raw = text.encode("latin-1")[:width]
        return raw + bytes(width - len(raw))
    return (b"TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4)
            + field(comment, 30) + struct.pack("B", genre))


TRACKS = [
    ("01 - Harbour Lights.mp3", "Harbour Lights", "The Velmorra Trio", "Night Ferries", "1999", "demo", 8),
    ("02 - Paper Moons.mp3", "Paper Moons", "Anja Kestrel", "", "2001", "album missing", 13),
    ("03 - untagged.mp3", None, None, None, None, None, None),
]


def main(folder):
    os.makedirs(folder, exist_ok=True)
    lines = ["#EXTM3U"]
    for name, title, artist, album, year, comment, genre in TRACKS:
        data = silent_frames(20)
        if title is not None:
            data += id3v1(title, artist, album, year, comment, genre)
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        shown = f"{artist} - {title}" if title else os.path.splitext(name)[0]
        lines.append(f"#EXTINF:1,{shown}")
        lines.append(name)
    with open(os.path.join(folder, "demo.m3u"), "w", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "demo-music")
