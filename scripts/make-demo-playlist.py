#!/usr/bin/env python3
"""Writes a small playlist of tagged MP3 files for the demo (a few silent frames each, an ID3v1
tag block at the end, one file without a tag) and demo.m3u naming them with display titles."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "player"))
from make_mp3 import id3v1_block, silent_frames  # noqa: E402

TRACKS = [
    ("01 - Harbour Lights.mp3", dict(title="Harbour Lights", artist="The Velmorra Trio", album="Night Ferries",
                                     year="1999", comment="demo", genre=8)),
    ("02 - Paper Moons.mp3", dict(title="Paper Moons", artist="Anja Kestrel", album="", year="2001",
                                  comment="album missing", genre=13)),
    ("03 - untagged.mp3", None),
]


def main(folder):
    os.makedirs(folder, exist_ok=True)
    lines = ["#EXTM3U"]
    for name, tag in TRACKS:
        data = silent_frames(20)
        if tag is not None:
            data += id3v1_block(**tag)
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        shown = f"{tag['artist']} - {tag['title']}" if tag else os.path.splitext(name)[0]
        lines.append(f"#EXTINF:1,{shown}")
        lines.append(name)
    with open(os.path.join(folder, "demo.m3u"), "w", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "demo-music")
