"""mutagen's view of the pictures in a song file, for the picture tests.

    pictures_peer.py list KIND PATH
        prints one line per picture: type, MIME type, description (hex of
        its UTF-8, upper case) and the SHA-1 of the bytes, tab-separated
    pictures_peer.py add KIND PATH IMAGE TYPE DESCRIPTION
        adds a picture with mutagen, after those the file has

KIND is the tag: id3, ape, flac, ogg, mp4 or asf; chunk for the ID3 chunk of
a WAV or AIFF file.
"""
import base64
import hashlib
import struct
import sys

import mutagen
from mutagen.apev2 import APEv2, APEValue, BINARY
from mutagen.asf import ASF, ASFByteArrayAttribute
from mutagen.flac import FLAC, Picture
from mutagen.id3 import ID3, APIC
from mutagen.mp4 import MP4, MP4Cover

# The APEv2 item names of the picture roles, as other taggers write them.
APE_NAMES = {3: "Cover Art (Front)", 4: "Cover Art (Back)", 0: "Cover Art (Other)"}


def mime_of(data):
    if data.startswith(b"\xff\xd8"):
        return "image/jpeg"
    if data.startswith(b"\x89PNG"):
        return "image/png"
    if data.startswith(b"GIF8"):
        return "image/gif"
    return ""


def utf16z(data, start):
    """A NUL-terminated UTF-16LE text from start: (text, offset after)."""
    pos = start
    while data[pos:pos + 2] != b"\0\0":
        pos += 2
    return data[start:pos].decode("utf-16-le"), pos + 2


def read(kind, path):
    """(type, mime, description, bytes) of each picture."""
    if kind == "id3":
        if not has_id3(path):
            return []
        return [(f.type, f.mime, f.desc, f.data) for f in ID3(path).getall("APIC")]
    if kind == "chunk":
        tags = mutagen.File(path).tags
        return [(f.type, f.mime, f.desc, f.data) for f in tags.getall("APIC")] if tags else []
    if kind == "ape":
        got = []
        for key, value in APEv2(path).items():
            if not key.lower().startswith("cover art"):
                continue
            desc, data = bytes(value).split(b"\0", 1)
            role = {v.lower(): k for k, v in APE_NAMES.items()}.get(key.lower(), 0)
            got.append((role, mime_of(data), desc.decode("utf-8"), data))
        return got
    if kind == "flac":
        return [(p.type, p.mime, p.desc, p.data) for p in FLAC(path).pictures]
    if kind == "ogg":
        got = []
        for text in mutagen.File(path).tags.get("metadata_block_picture", []):
            p = Picture(base64.b64decode(text))
            got.append((p.type, p.mime, p.desc, p.data))
        return got
    if kind == "mp4":
        mimes = {MP4Cover.FORMAT_JPEG: "image/jpeg", MP4Cover.FORMAT_PNG: "image/png"}
        tags = MP4(path).tags or {}
        return [(3, mimes.get(c.imageformat, ""), "", bytes(c)) for c in tags.get("covr", [])]
    if kind == "asf":
        got = []
        for attr in ASF(path).tags.get("WM/Picture", []):
            value = attr.value
            role, size = struct.unpack_from("<BI", value)
            mime, pos = utf16z(value, 5)
            desc, pos = utf16z(value, pos)
            got.append((role, mime, desc, value[pos:pos + size]))
        return got
    raise SystemExit("unknown kind " + kind)


def add(kind, path, image, role, desc):
    with open(image, "rb") as f:
        data = f.read()
    mime = mime_of(data)
    if kind == "id3":
        tags = ID3(path) if has_id3(path) else ID3()
        tags.add(APIC(encoding=3, mime=mime, type=role, desc=desc, data=data))
        tags.save(path)
    elif kind == "chunk":
        f = mutagen.File(path)
        if f.tags is None:
            f.add_tags()
        f.tags.add(APIC(encoding=3, mime=mime, type=role, desc=desc, data=data))
        f.save()
    elif kind == "ape":
        tags = APEv2(path)
        tags[APE_NAMES[role]] = APEValue(desc.encode("utf-8") + b"\0" + data, BINARY)
        tags.save(path)
    elif kind in ("flac", "ogg"):
        p = Picture()
        p.type, p.mime, p.desc, p.data = role, mime, desc, data
        if kind == "flac":
            f = FLAC(path)
            f.add_picture(p)
        else:
            f = mutagen.File(path)
            old = f.tags.get("metadata_block_picture", [])
            f.tags["metadata_block_picture"] = old + [
                base64.b64encode(p.write()).decode("ascii")]
        f.save()
    elif kind == "mp4":
        f = MP4(path)
        if f.tags is None:
            f.add_tags()
        form = MP4Cover.FORMAT_PNG if mime == "image/png" else MP4Cover.FORMAT_JPEG
        f.tags["covr"] = list(f.tags.get("covr", [])) + [MP4Cover(data, form)]
        f.save()
    elif kind == "asf":
        f = ASF(path)
        value = (struct.pack("<BI", role, len(data)) + (mime + "\0").encode("utf-16-le") +
                 (desc + "\0").encode("utf-16-le") + data)
        f.tags["WM/Picture"] = list(f.tags.get("WM/Picture", [])) + [
            ASFByteArrayAttribute(value)]
        f.save()
    else:
        raise SystemExit("unknown kind " + kind)


def has_id3(path):
    try:
        ID3(path)
        return True
    except mutagen.id3.ID3NoHeaderError:
        return False


def main():
    mode, kind, path = sys.argv[1:4]
    if mode == "list":
        for role, mime, desc, data in read(kind, path):
            print("%d\t%s\t%s\t%s" % (role, mime, desc.encode("utf-8").hex().upper(),
                                      hashlib.sha1(data).hexdigest()))
    else:
        add(kind, path, sys.argv[4], int(sys.argv[5]), sys.argv[6])


main()
