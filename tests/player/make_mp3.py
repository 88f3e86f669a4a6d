#!/usr/bin/env python3
"""Writes a tiny valid MPEG-1 Layer III file of silent frames, with an optional ID3v1 tag.

Each frame is a 4-byte header (MPEG-1, Layer III, no CRC, 128 kbit/s, 44100 Hz, joint stereo)
followed by zero bytes: zero side information means no coded samples, so decoders play
silence. The frame length is 144 * bitrate / sample rate = 417 bytes (no padding slot).

The ID3v1 tag is the 128-byte block appended at the end: "TAG", title (30), artist (30),
album (30), year (4), comment (30), genre byte. Text is encoded as Latin-1 (one byte per
character, the ANSI code page's first 256 characters), cut to its field and padded with zero
bytes. The genre number is stored as given (0-255), whatever table names it.

Examples:
  make_mp3.py song.mp3 --title Song --artist Band --album Disc --year 1999 --genre 17
  make_mp3.py bare.mp3 --frames 3            (no tag)
"""

import argparse
import sys

BITRATE = 128000
SAMPLE_RATE = 44100
FRAME_HEADER = bytes([0xFF, 0xFB, 0x90, 0x44])
FRAME_SIZE = 144 * BITRATE // SAMPLE_RATE  # 417


def silent_frames(count):
    frame = FRAME_HEADER + bytes(FRAME_SIZE - len(FRAME_HEADER))
    return frame * count


def text_field(value, width):
    data = value.encode("latin-1")[:width]
    return data + bytes(width - len(data))


def id3v1_block(title="", artist="", album="", year="", comment="", genre=12):
    if not 0 <= genre <= 255:
        raise ValueError("genre must be 0 to 255")
    block = (b"TAG" + text_field(title, 30) + text_field(artist, 30) + text_field(album, 30)
             + text_field(year, 4) + text_field(comment, 30) + bytes([genre]))
    assert len(block) == 128
    return block


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output", help="file to write (replaced if it exists)")
    parser.add_argument("--frames", type=int, default=4, help="number of silent frames (default 4)")
    parser.add_argument("--title")
    parser.add_argument("--artist")
    parser.add_argument("--album")
    parser.add_argument("--year")
    parser.add_argument("--comment")
    parser.add_argument("--genre", type=int, help="genre number 0-255 (default 12 when tagging)")
    args = parser.parse_args(argv)
    if args.frames < 1:
        parser.error("--frames must be at least 1")

    fields = {k: getattr(args, k) for k in ("title", "artist", "album", "year", "comment", "genre")}
    data = silent_frames(args.frames)
    if any(v is not None for v in fields.values()):
        try:
            data += id3v1_block(**{k: v for k, v in fields.items() if v is not None})
        except (ValueError, UnicodeEncodeError) as e:
            parser.error(str(e))
    with open(args.output, "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
