#!/usr/bin/env python3
"""Writes the fuzz harnesses' seed inputs into fuzz/corpus/<harness>/.

Every seed is generated here (tiny tones, hand-built containers and archives), so nothing recorded is
committed. Run it again after changing a seed; `7z` (p7zip-full) adds the Deflate64 seeds when present.
"""

import base64
import io
import math
import os
import shutil
import struct
import subprocess
import tempfile
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


# The harness folders this run has emptied: a folder is emptied before its first seed is written, and the
# folders whose seeds come from elsewhere (hand-written skins, scripts) are left alone.
emptied = set()


def put(harness, name, data):
    folder = os.path.join(CORPUS, harness)
    if harness not in emptied:
        emptied.add(harness)
        if os.path.isdir(folder):
            shutil.rmtree(folder)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def tone(frames, channels, rate=44100, freq=440.0):
    out = []
    for i in range(frames):
        v = int(12000 * math.sin(2 * math.pi * freq * i / rate))
        out.extend([v] * channels)
    return out


def wav(frames=200, channels=2, rate=44100, bits=16, tag=1, extra_chunk=b""):
    samples = tone(frames, channels, rate)
    if bits == 16:
        data = struct.pack("<%dh" % len(samples), *samples)
    elif bits == 8:
        data = bytes((s >> 8) + 128 for s in samples)
    elif bits == 24:
        data = b"".join(struct.pack("<i", s << 8)[1:] for s in samples)
    else:
        data = struct.pack("<%df" % len(samples), *[s / 32768.0 for s in samples])
    block = channels * ((bits + 7) // 8)
    fmt = struct.pack("<HHIIHH", tag, channels, rate, rate * block, block, bits)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + extra_chunk
    body += b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def ieee80(x):
    exponent = int(math.floor(math.log2(x)))
    mantissa = int(x / 2.0 ** exponent * (1 << 63))
    return struct.pack(">HQ", exponent + 16383, mantissa)


def aiff(frames=200, channels=2, rate=44100):
    samples = tone(frames, channels, rate)
    data = struct.pack(">%dh" % len(samples), *samples)
    comm = struct.pack(">hIh", channels, frames, 16) + ieee80(rate)
    ssnd = struct.pack(">II", 0, 0) + data
    body = b"AIFF" + b"COMM" + struct.pack(">I", len(comm)) + comm + b"SSND" + struct.pack(">I", len(ssnd)) + ssnd
    return b"FORM" + struct.pack(">I", len(body)) + body


def cdg(packets=300):
    """CD+G packets: load a colour table, clear the screen, then draw tiles."""
    out = bytearray()
    for i in range(packets):
        p = bytearray(24)
        p[0] = 0x09
        if i == 0:
            p[1] = 30  # load colour table (low)
            for c in range(8):
                p[4 + 2 * c] = (c * 5) & 0x3F
                p[5 + 2 * c] = (c * 9) & 0x3F
        elif i == 1:
            p[1] = 1  # memory preset
        else:
            p[1] = 6  # tile block
            p[4] = 1
            p[5] = 2
            p[6] = (i // 50) % 18
            p[7] = i % 50
            for r in range(12):
                p[8 + r] = (i * 7 + r) & 0x3F
        out += p
    return bytes(out)


def id3_mp3():
    """An ID3v2.3 tag (title, artist, BPM, key) in front of two silent MPEG-1 layer III frames."""

    def frame(fid, text):
        payload = b"\x00" + text.encode("latin-1")
        return fid.encode() + struct.pack(">I", len(payload)) + b"\x00\x00" + payload

    frames = frame("TIT2", "Title") + frame("TPE1", "Artist") + frame("TBPM", "128") + frame("TKEY", "Am")
    size = len(frames)
    syncsafe = bytes([(size >> 21) & 0x7F, (size >> 14) & 0x7F, (size >> 7) & 0x7F, size & 0x7F])
    tag = b"ID3\x03\x00\x00" + syncsafe + frames
    mpeg = (b"\xff\xfb\x90\x64" + bytes(413)) * 2
    return tag + mpeg


def lame_mp3_with_tags():
    """An MPEG-1 layer III stream whose first frame is an Info/LAME header (frame count, byte count,
    encoder delay and padding), then silent frames, an APEv2 tag with a binary cover item and an ID3v1
    tag: the header's count and the tags' start bound the sound."""
    frame_bytes = 417
    frames = 12
    header = b"\xff\xfb\x90\x64"
    info = b"Info" + struct.pack(">III", 0x0F, frames, frames * frame_bytes) + bytes(range(100)) + struct.pack(">I", 50)
    lame = b"LAME3.100" + bytes(12) + bytes([576 >> 4, ((576 & 0xF) << 4) | (1200 >> 8), 1200 & 0xFF])
    first = header + bytes(32) + info + lame
    first += bytes(frame_bytes - len(first))
    audio = first + (header + bytes(frame_bytes - 4)) * frames
    value = b"cover.jpg\x00" + bytes((i * 131 + 7) & 0xFF for i in range(3000))
    item = struct.pack("<II", len(value), 2) + b"Cover Art (Front)\x00" + value
    def ape(is_header):
        flags = (1 << 31) | ((1 << 29) if is_header else 0)
        return b"APETAGEX" + struct.pack("<IIII", 2000, len(item) + 32, 1, flags) + bytes(8)
    id3v1 = b"TAG" + b"Title".ljust(30, b"\x00") + bytes(95)
    return audio + ape(True) + item + ape(False) + id3v1


def mpeg_ps_mp2(packets=24):
    """An MPEG-1 program stream of PES packets with two silent layer II frames each, time-stamped on the
    90 kHz clock (rounded per packet, as muxers do)."""
    frame = b"\xff\xfd\x90\x04" + bytes(413)  # 128 kbit/s, 44.1 kHz, stereo: 417 bytes
    out = bytearray()
    for i in range(packets):
        pts = 90000 // 2 + round(i * 2 * 1152 * 90000 / 44100)
        scr = pts - 3000
        out += b"\x00\x00\x01\xba" + bytes([
            0x21 | ((scr >> 29) & 0x0E), (scr >> 22) & 0xFF, 0x01 | ((scr >> 14) & 0xFE), (scr >> 7) & 0xFF,
            0x01 | ((scr << 1) & 0xFE), 0x80, 0x1B, 0x83])
        payload = bytes([0x21 | ((pts >> 29) & 0x0E), (pts >> 22) & 0xFF, 0x01 | ((pts >> 14) & 0xFE),
                         (pts >> 7) & 0xFF, 0x01 | ((pts << 1) & 0xFE)]) + frame * 2
        out += b"\x00\x00\x01\xc0" + struct.pack(">H", len(payload)) + payload
    return bytes(out + b"\x00\x00\x01\xb9")


def flac():
    """fLaC with STREAMINFO and a Vorbis comment block (no audio frames)."""
    info = struct.pack(">HH", 4096, 4096) + b"\x00\x00\x00" + b"\x00\x00\x00"
    rate, channels, bits, total = 44100, 2, 16, 0
    packed = (rate << 44) | ((channels - 1) << 41) | ((bits - 1) << 36) | total
    info += struct.pack(">Q", packed) + bytes(16)
    vendor = b"seed"
    comments = [b"TITLE=Seed", b"ARTIST=Orvel", b"BPM=120"]
    vc = struct.pack("<I", len(vendor)) + vendor + struct.pack("<I", len(comments))
    for c in comments:
        vc += struct.pack("<I", len(c)) + c
    blocks = b"\x00" + struct.pack(">I", len(info))[1:] + info
    blocks += b"\x84" + struct.pack(">I", len(vc))[1:] + vc
    return b"fLaC" + blocks


def member(name):
    """A zip member with a fixed date, so that the seeds come out byte for byte the same on every run."""
    info = zipfile.ZipInfo(name, date_time=(2020, 1, 1, 0, 0, 0))
    info.external_attr = 0o644 << 16
    return info


def zip_bytes(members, method=zipfile.ZIP_DEFLATED):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", compression=method) as z:
        for name, data in members:
            z.writestr(member(name), data, compress_type=method)
    return buf.getvalue()


def zip_with_link():
    """A folder, a file in it and a symbolic link to that file (Unix attributes)."""
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", compression=zipfile.ZIP_DEFLATED) as z:
        folder = member("songs/")
        folder.external_attr = (0o40755 << 16) | 0x10
        folder.create_system = 3
        z.writestr(folder, b"")
        z.writestr(member("songs/song.cdg"), cdg(20), compress_type=zipfile.ZIP_DEFLATED)
        link = member("songs/link.cdg")
        link.external_attr = 0o120777 << 16
        link.create_system = 3
        z.writestr(link, b"song.cdg")
    return buf.getvalue()


def deflate64_zip():
    if shutil.which("7z") is None:
        return None
    with tempfile.TemporaryDirectory() as tmp:
        song = os.path.join(tmp, "song.cdg")
        with open(song, "wb") as f:
            f.write(cdg(400) * 3)
        os.utime(song, (1577836800, 1577836800))  # a fixed date: the same archive on every run
        out = os.path.join(tmp, "d64.zip")
        subprocess.run(["7z", "a", "-tzip", "-mm=Deflate64", out, song], check=True, capture_output=True)
        with open(out, "rb") as f:
            return f.read()


def raw_member(archive):
    """The compressed data of the first member of a zip archive."""
    name_len, extra_len = struct.unpack("<HH", archive[26:30])
    size = struct.unpack("<I", archive[18:22])[0]
    start = 30 + name_len + extra_len
    return archive[start:start + size]


def stripe(points=200, beats=True):
    out = struct.pack("<ii", 1, points)
    out += struct.pack("<%df" % points, *[(i % 10) / 10.0 for i in range(points)])
    out += struct.pack("<fi", 0.8, points)
    out += bytes((i * 3) & 0xFF for i in range(points))
    out += struct.pack("<iii", 1, 4, 1)
    if beats:
        marks = list(range(5, points, 25))
        out += struct.pack("<i", len(marks)) + struct.pack("<%di" % len(marks), *marks)
    return out


def main():
    audio = {
        "tone16.wav": wav(),
        "tone8mono.wav": wav(channels=1, bits=8, rate=22050),
        "tone24.wav": wav(bits=24, rate=48000),
        "float32.wav": wav(bits=32, tag=3),
        "list-chunk.wav": wav(extra_chunk=b"LIST" + struct.pack("<I", 12) + b"INFOISFT\x00\x00\x00\x00"),
        "tone16.aiff": aiff(),
        "id3.mp3": id3_mp3(),
        "lame-ape-id3v1.mp3": lame_mp3_with_tags(),
        "program-stream.mpg": mpeg_ps_mp2(),
    }
    for harness in ("master_codec", "ffmpeg_audio", "pcm_files"):
        for name, data in audio.items():
            put(harness, name, data)
    put("master_codec", "graphics.cdg", cdg())
    package = zip_bytes([("song.mp3", id3_mp3()), ("song.cdg", cdg())])
    put("master_codec", "package.zip", package)

    # The video harness's first byte: bit 0 CDG, bit 1 a target size, bit 2 three bytes per pixel.
    put("video", "cdg", b"\x01" + cdg())
    put("video", "cdg-rgb-target", b"\x07" + cdg())
    with open(os.path.join(HERE, "crashes", "video-frame-size-changes.avi"), "rb") as f:
        avi = f.read()
    put("video", "avi-target", b"\x02" + avi)
    put("video", "avi-rgb", b"\x04" + avi)

    put("zip_packages", "stored.zip", zip_bytes([("song.mp3", id3_mp3()), ("song.cdg", cdg())], zipfile.ZIP_STORED))
    put("zip_packages", "deflated.zip", package)
    put("zip_packages", "bzip2.zip", zip_bytes([("a/song.wav", wav()), ("a/song.cdg", cdg())], zipfile.ZIP_BZIP2))
    put("zip_packages", "escape.zip", zip_bytes([("../up.cdg", cdg(10)), ("/abs.mp3", b"x" * 10)]))
    put("zip_packages", "link.zip", zip_with_link())
    d64 = deflate64_zip()
    if d64 is not None:
        put("zip_packages", "deflate64.zip", d64)
        put("deflate64", "member", raw_member(d64))
    # Plain deflate without long matches reads the same as Deflate64.
    deflater = zlib.compressobj(9, zlib.DEFLATED, -15)
    put("deflate64", "short-deflate", deflater.compress(b"abcabcabd" * 3) + deflater.flush())
    # Compressed in the DCL implode format: "AIAIAIAIAIAIA" (the decoder's reference example).
    put("implode", "aiaia", b"\x00\x04\x82\x24\x25\x8f\x80\x7f")
    put("implode", "literals", b"\x01\x06" + bytes(range(0, 200, 3)))

    # The tags harness's first byte picks the ending: 0 mp3, 1 flac.
    put("tags", "id3.mp3", b"\x00" + id3_mp3())
    put("tags", "comments.flac", b"\x01" + flac())

    put("stripe", "with-beats", stripe())
    put("stripe", "without-beats", stripe(beats=False))

    header = b"\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
    put("preferences", "preferences.xml", header +
        b"<preferences version=\"100\">\n"
        b"\t<pref name=\"AudioDevice\" value=\"Built-in Output\" type=\"3\" />\n"
        b"\t<pref name=\"Gain\" value=\"0.5000\" type=\"2\" />\n"
        b"\t<pref name=\"Limiter\" value=\"1\" type=\"1\" />\n"
        b"\t<pref name=\"Name\" value=\"say &quot;hi&quot; &amp; &lt;go&gt;\" type=\"3\" />\n"
        b"</preferences>\n")

    with open(os.path.join(HERE, "..", "resources", "languages", "english.xml"), "rb") as f:
        english = f.read()
    put("language", "english.xml", english[:1500].rsplit(b"\n", 1)[0] + b"\n</languagestrings>\n")
    put("language", "other.xml", b"<languagestrings language=\"deutsch\" locale=\"de\" targetversion=\"100\">"
        b"<string action=\"txt_ok\" value=\"OK\"/><string action=\"ACT_cfg2\" value=\"x\" hint=\"y\"/>"
        b"</languagestrings>")

    put("xml", "plist.xml", b"<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><dict><key>Tracks</key><dict>"
        b"<key>1</key><dict><key>Name</key><string>Song &amp; more</string><key>Total Time</key>"
        b"<integer>215000</integer><key>Compilation</key><true/></dict></dict></dict></plist>\n")
    put("xml", "document.xml", b"<document a=\"12px\" b=\"-3.5e2\" ok=\"YES\" align=\"topright\" style=\"bolditalic\""
        b" color=\"#FF000080\"><item name=\"caf\xc3\xa9\" value=\"\xe2\x99\xab\"/><item/></document>")

    put("skin_values", "attributes", b"x=12px\ny=2.5\nvisible=tRuE\ncolor=#00FF00\nalign=TopLeft\n"
        b"style=underlined\naxis=Vertical\ndistribution=FillEqually\nalignment=LastBaseline\n"
        b"attribute=CenterY\nrelation=>=\nurl=file:///Users/me/My%20Song.mp3\nbad=%\n")

    header = b"\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
    put("database_file", "library.xml", header + b"<database version=\"1\">\n<tracks>\n"
        b"<track id=\"0\" arti=\"Arti &amp; st\" titl=\"T\" fnam=\"/music/a.mp3\" bpm=\"128.5000\" "
        b"duration_ms=\"215000\" pitch_key=\"13\" cue1=\"44100\" cue_in=\"1000\" cue_out=\"9000000\" "
        b"loop1_in=\"100\" loop1_out=\"200\" size=\"3000000000\" gnr1=\"17\" mediatype=\"2\" "
        b"imgurl=\"https://example.com/c.jpg\" stripe=\"0A-0000BEEF\" playCount=\"12\" "
        b"dtAdded=\"5000000000\" dtPlayed=\"1700000000\" />\n"
        b"<track id=\"1\" fnam=\"/music/b.mp3\" />\n<track fnam=\"/music/c.mp3\" />\n</tracks>\n<lists>\n"
        b"  <list name=\"special\" type=\"200\" subtype=\"0\" cursor=\"1\">\n"
        b"    <item id=\"0\"/>\n    <item id=\"1\"/>\n  </list>\n"
        b"  <list name=\"My set\" type=\"210\" subtype=\"0\" cursor=\"-1\">\n    <item id=\"7\"/>\n  </list>\n"
        b"  <list name=\"special\" type=\"217\" subtype=\"0\" cursor=\"0\">\n"
        b"    <item id=\"0\" singerName=\"Bob\" id2=\"1\" kadj2=\"2.0000\" kadj=\"-1.5000\" coll=\"1\"/>\n"
        b"    <item id=\"-1\" singerName=\"Amy\" />\n  </list>\n</lists>\n</database>\n")
    put("database_file", "duplicate_ids.xml", header + b"<database version=\"1\"><tracks>"
        b"<track id=\"5\" fnam=\"/a\"/><track fnam=\"/b\"/><track id=\"5\" fnam=\"/c\"/></tracks></database>")

    put("list_files", "list.m3u", b"\xef\xbb\xbf#EXTM3U\r\n#EXTINF:215,Artist - Title\r\n/music/a.mp3\r\n"
        b"relative/b.mp3\rfile:///music/c%20d.mp3\nDisk:Folder:file.mp3\nhttp://example.com/s.mp3\n")
    put("list_files", "list.tvl", b"<?xml version=\"1.0\"?>\n<list version=\"1\"><song fnam=\"/music/a.mp3\"/>"
        b"<song fnam=\"\"/><song/><other fnam=\"/x\"/></list>\n")

    put("itunes", "library.xml", b"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
        b"<key>Tracks</key><dict><key>7</key><dict><key>Track ID</key><integer>7</integer>"
        b"<key>Name</key><string>Song &amp; more</string><key>Artist</key><string>A</string>"
        b"<key>Total Time</key><integer>215000</integer><key>Size</key><integer>3000000000</integer>"
        b"<key>Location</key><string>file:///home/me/Music/a%20b.mp3</string></dict></dict>"
        b"<key>Playlists</key><array><dict><key>Name</key><string>Set</string><key>Playlist ID</key>"
        b"<integer>99</integer><key>Playlist Items</key><array><dict><key>Track ID</key><integer>7</integer>"
        b"</dict><dict><key>Track ID</key><integer>8</integer></dict></array></dict></array></dict></plist>\n")

    put("formatter", "usual", b"\x81%d:%02d %5.2f %s|%S|%p %x %c %ls %hd %g %%")
    put("formatter", "stars", b"\x02%*d %-*.*s %.*f")
    put("formatter", "broken", b"\xff%ll%hh%5%-%#%n%q%")

    # The first byte picks the keyboard (even) or the MIDI (odd) shortcut file.
    put("shortcut_files", "keys.xml", b"\x00" + header + b"<settings version=\"2\">\n"
        b"<shortcut_kb action=\"deck_play_pause\" deck=\"0\" keys=\"2\">\n"
        b"\t<key code=\"112\" shift=\"0\" ch=\"0\" />\n\t<key code=\"7273\" shift=\"12\" ch=\"0\" />\n"
        b"</shortcut_kb>\n<shortcut_kb action=\"minimize\" keys=\"1\">\n"
        b"\t<key code=\"8192\" shift=\"40\" ch=\"0\" />\n</shortcut_kb>\n</settings>\n")
    put("shortcut_files", "midi.xml", b"\x01" + header + b"<settings version=\"2\">\n"
        b"<shortcut_midi action=\"deck_play_pause\" deck=\"1\" keys=\"1\">\n"
        b"\t<midi channel=\"9\" iskey=\"1\" keyorcc=\"36\" togglemode=\"1\" />\n</shortcut_midi>\n"
        b"<shortcut_midi action=\"minimize\" keys=\"1\">\n"
        b"\t<midi channel=\"16\" iskey=\"0\" keyorcc=\"300\" togglemode=\"0\" />\n</shortcut_midi>\n</settings>\n")
    list_control_seeds()
    lirra_reply_seeds()
    streaming_service_seeds()
    singer_seeds()
    put("https_url", "login", b"https://example.com/login?next=%2Fhome#top")
    put("https_url", "ipv6-port", b"HTTPS://[::1]:8443/")
    put("https_url", "user-part", b"https://name@example.com/")
    put("https_url", "plain-http", b"http://127.0.0.1/")
    hid_report_seeds()


def lirra_reply_seeds():
    """Catalogue replies: flag byte (mode, session past session_open), method byte, then the bytes."""
    envelope = (b'{"method":"products_get","request_id":7,"client_version":"v1","client_hash":"h1",'
                b'"timestamp":"20260101000000",')
    put("lirra_reply", "error-reply", b"\x00\x0a" + envelope + b'"error":{"string":"bad","details":"d","code":3}}')
    put("lirra_reply", "forged-reply", b"\x00\x0a" + envelope +
        b'"session_token":"tok","signature":"AAAAAAAAAAAAAAAAAAAAAA","data":"e30"}')
    put("lirra_reply", "sealed-products", b"\x01\x0a" + b'{"items":[{"id":1,"name":"Monthly","price":"9.99"}]}')
    base_point = base64.urlsafe_b64encode(b"\x09" + bytes(31)).rstrip(b"=")
    auth = base64.urlsafe_b64encode(bytes(64)).rstrip(b"=")
    put("lirra_reply", "sealed-session-open", b"\x01\x00" + b'{"session_public_key":"' + base_point +
        b'","auth":"' + auth + b'"}')
    put("lirra_reply", "sealed-in-session", b"\x05\x04" + b'{"account":{"email":"a@b"}}')
    put("lirra_reply", "base64", b"\x02\x00" + b"Zm9v\nYmFy")
    put("lirra_reply", "base64url", b"\x03\x00" + b"QQ")


def streaming_service_seeds():
    """Song records and replies of the streaming service."""
    song = (b'{"artists":[{"artist_id":7,"artist_name":"Artist","images":{"180x80":"a","190x230":"b",'
            b'"375x250":"c"},"updated_on":"u"}],"bpm":124.5,"disk":1,"duration":61,"label":{"images":'
            b'{"150x150":"","250x250":"","500x500":""},"label_id":3,"label_name":"L","updated_on":""},'
            b'"parental_advisory":false,"release":{"album_art":{"200x200":"","75x75":"","800x800":""},'
            b'"release_date":"2019-05-31","release_id":8,"release_title":"Album","updated_on":""},'
            b'"song_id":42,"song_key":"Am","song_title":"Song","territories":["US","GB"],"track":3,'
            b'"updated_on":"2026-01-02T03:04:05Z"')
    put("pulselocker_song", "song.json", song + b"}")
    put("pulselocker_song", "stored-song.json", song + b',"__pl_type__":"song"}')
    put("pulselocker_song", "refusal.json", b'{"error":{"code":4116,"message":"Token expired."}}')
    put("pulselocker_song", "big-numbers.json", song.replace(b'"duration":61', b'"duration":9.3e18') + b"}")


def list_control_seeds():
    """The track table's columns files and the browser's favorites.xml."""
    header = b"\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
    put("columns_file", "columns.xml", header + b"<columns version=\"1\" sortBlocked=\"1\" resizeBlocked=\"0\">\n"
        b"<column name=\"No.\" visible=\"1\" allowhide=\"0\" width=\"60\" minwidth=\"60\" maxwidth=\"300\" "
        b"align=\"3\" actualColumn=\"numb\" />\n"
        b"<column name=\"A&amp;B\" visible=\"1\" allowhide=\"0\" width=\"110\" minwidth=\"30\" maxwidth=\"300\" "
        b"align=\"7\" actualColumn=\"arti\" />\n"
        b"<column name=\"\" visible=\"0\" allowhide=\"1\" width=\"9999999\" minwidth=\"5\" maxwidth=\"2000\" "
        b"align=\"-1\" actualColumn=\"titl\" />\n"
        b"<column actualColumn=\"titl\" width=\"10\"/><column actualColumn=\"zzzz\"/>\n</columns>\n")
    put("favorites", "favorites.xml", header + b"<favorites version=\"1\">\n"
        b"<fav name=\"Music\" path=\"/home/dj/Music\" type=\"121\" />\n"
        b"<fav name=\"Q&quot;&amp;\" path=\"/mnt/usb/a&lt;b\" type=\"111\" />\n"
        b"<fav name=\"No type\" path=\"/x\" />\n<other/>\n</favorites>\n")


def hid_report_seeds():
    """HID reports through a page table: 32 bytes of fields, then reports led by their length."""
    # Page a (IN): detect ubyte 0 == 1; a bit button, a ubyte fader with its maximum 0, a byte encoder.
    fields = bytes([0, 1 | (2 << 1), 2, 0, 0, 0, 1, 0,
                    0, 2 << 1, 0, 0, 8, 0, 0, 0,
                    0, 4 << 1, 2, 0, 2, 0, 0, 1,
                    0, 0, 1, 1, 3, 0, 3, 4])
    reports = bytes([4, 1, 0x80, 200, 10, 4, 1, 0x00, 0, 250, 2, 1, 0x80, 6, 1, 0x80, 255, 5, 0, 9])
    put("hid_report", "buttons-fader-encoder", fields + reports)
    # Fields far outside the buffers and an OUT page written and sent.
    far = bytes([2, 2 << 1, 5, 0, 0xFF, 0x7F, 0, 0,
                 2, 0, 4, 0, 127, 0, 5, 6,
                 1, 1, 1, 0, 0, 1, 0, 0,
                 0, 0, 0, 2, 0x00, 0x80, 0, 0])
    put("hid_report", "far-fields", far + bytes([200]) + bytes(range(200)) + bytes([7, 1]))


def singer_seeds():
    """The karaoke singer history, singers.xml."""
    header = b"\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
    put("singers_file", "singers.xml", header + b"<singers version=\"1\" idnext=\"4\">\n"
        b"<singer id=\"1\" name=\"Anna\" />\n<singer id=\"3\" name=\"Tom &quot;T&quot; &amp; Jerry\" />\n"
        b"<singer id=\"2\" name=\"\xc3\x89lodie\" />\n</singers>\n")
    put("singers_file", "int-max.xml", header + b"<singers idnext=\"-5\">\n"
        b"<singer id=\"2147483647\" name=\"x\" />\n<singer name=\"no id\" />\n<other/>\n</singers>\n")


if __name__ == "__main__":
    main()
