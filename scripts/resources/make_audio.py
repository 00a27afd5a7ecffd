#!/usr/bin/python3
"""Writes the default audio content, every sound synthesised here (no recorded audio):

- resources/samples/: eight short sampler sounds (WAV, 44100 Hz, mono, 16 bit) and sampler.xml, the
  default sampler bank (file names relative to the Samples folder, as a first run reads it);
- resources/demo_songs/: two short demo tracks (MP3, 128 kbit/s, tagged), encoded by SoX.

Each demo track holds a steady sine tone from its first to its last frame, so that a test can tell from a
recording which track was heard: "Night Drive" (124 BPM, A minor) a 440 Hz tone, "Morning Run"
(128 BPM, D major) a 587.33 Hz tone, each about 16 dB below full scale, over drums, bass and chords.

Run it through scripts/make-resources.sh (needs python3-numpy, sox and libsox-fmt-mp3).
"""

import os
import subprocess
import sys
import tempfile
import wave

import numpy as np

RATE = 44100
rng = np.random.default_rng(29)  # a fixed seed: the same files on every run


def seconds(n):
    return np.arange(int(n * RATE)) / RATE


def envelope(n, attack, decay_rate):
    t = seconds(n)
    env = np.exp(-t * decay_rate)
    a = max(1, int(attack * RATE))
    env[:a] *= np.linspace(0, 1, a)
    return env


def sweep(f0, f1, n, curve="exp"):
    t = seconds(n)
    if curve == "exp":
        f = f0 * (f1 / f0) ** (t / n)
    else:
        f = f0 + (f1 - f0) * t / n
    return np.sin(2 * np.pi * np.cumsum(f) / RATE)


def lowpass(x, cutoff):
    """A one-pole low-pass filter."""
    a = np.exp(-2 * np.pi * cutoff / RATE)
    y = np.empty_like(x)
    acc = 0.0
    for i, v in enumerate(x):
        acc = (1 - a) * v + a * acc
        y[i] = acc
    return y


def highpass(x, cutoff):
    return x - lowpass(x, cutoff)


def normalise(x, peak=0.89):
    m = np.max(np.abs(x))
    return x if m == 0 else x * (peak / m)


def fade_out(x, length=0.01):
    n = min(len(x), int(length * RATE))
    x[-n:] *= np.linspace(1, 0, n)
    return x


def write_wav(path, samples):
    data = np.clip(samples, -1, 1)
    pcm = (data * 32767).astype("<i2")
    with wave.open(path, "wb") as w:
        w.setnchannels(1 if data.ndim == 1 else data.shape[1])
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(pcm.tobytes())


# ---- instruments ------------------------------------------------------------------------------------------


def kick(n=0.4):
    body = sweep(150, 45, n) * envelope(n, 0.002, 9)
    click = highpass(rng.standard_normal(int(n * RATE)), 2000) * envelope(n, 0.0005, 300) * 0.3
    return body + click


def snare(n=0.3):
    noise = highpass(rng.standard_normal(int(n * RATE)), 1200) * envelope(n, 0.001, 18)
    tone = np.sin(2 * np.pi * 190 * seconds(n)) * envelope(n, 0.001, 30)
    return 0.7 * noise + 0.5 * tone


def clap(n=0.3):
    noise = highpass(rng.standard_normal(int(n * RATE)), 900)
    env = np.zeros(int(n * RATE))
    for start in (0.0, 0.011, 0.022):  # three quick hands, then the room
        s = int(start * RATE)
        hand = envelope(n, 0.0005, 120)[: len(env) - s]
        env[s:] += hand
    env += 0.5 * envelope(n, 0.03, 14)
    return noise * env


def hat(n=0.06, decay=60):
    return highpass(rng.standard_normal(int(n * RATE)), 7000) * envelope(n, 0.0005, decay)


def horn(n=0.9):
    t = seconds(n)
    vibrato = 1 + 0.006 * np.sin(2 * np.pi * 6 * t)
    out = np.zeros_like(t)
    for f in (311.13, 392.0, 466.16):  # an E-flat major chord of saw-like brass
        phase = 2 * np.pi * np.cumsum(f * vibrato) / RATE
        for k in range(1, 8):
            out += np.sin(k * phase) / k
    env = np.minimum(1, t / 0.03) * np.where(t > n - 0.12, (n - t) / 0.12, 1)
    return lowpass(out * env, 3500)


def siren(n=1.0):
    t = seconds(n)
    f = 700 + 350 * np.sin(2 * np.pi * 2 * t)
    tone = np.sin(2 * np.pi * np.cumsum(f) / RATE)
    tone = np.sign(tone) * np.abs(tone) ** 0.6
    return lowpass(tone, 4000) * envelope(n, 0.02, 0.5)


def laser(n=0.35):
    return sweep(2400, 160, n) * envelope(n, 0.001, 7)


def drop(n=1.0):
    body = sweep(220, 38, n) * envelope(n, 0.005, 2.2)
    return body + 0.15 * np.sin(2 * body)


# ---- the sampler bank -------------------------------------------------------------------------------------

SAMPLES = [
    # (file, sound, beats, autosync, loop)
    ("Air Horn.wav", horn, 0, 0, 0),
    ("Kick.wav", kick, 0, 0, 0),
    ("Snare.wav", snare, 0, 0, 0),
    ("Clap.wav", clap, 0, 0, 0),
    ("Siren.wav", siren, 0, 0, 0),
    ("Laser.wav", laser, 0, 0, 0),
    ("Drop.wav", drop, 0, 0, 0),
    ("Beat Loop.wav", None, 4, 1, 1),
]


def beat_loop(bpm=120, beats=4):
    beat = 60 / bpm
    out = np.zeros(int(round(beats * beat * RATE)))

    def put(sound, at, gain):
        s = int(round(at * RATE))
        e = min(len(out), s + len(sound))
        out[s:e] += gain * sound[: e - s]

    for b in range(beats):
        put(kick(), b * beat, 0.9)
        put(hat(), (b + 0.5) * beat, 0.35)
        if b % 2 == 1:
            put(clap(), b * beat, 0.5)
    return out


def write_samples(folder):
    os.makedirs(folder, exist_ok=True)
    lines = ["\ufeff<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>", '<sampler version="2">']
    for index, (name, sound, beats, autosync, loop) in enumerate(SAMPLES, 1):
        x = beat_loop() if sound is None else fade_out(sound())
        write_wav(os.path.join(folder, name), normalise(x))
        lines.append('<sample index="%d" file="%s" beats="%d" autosync="%d" loop="%d" pitch="0" volume="127" />'
                     % (index, name, beats, autosync, loop))
    lines.append("</sampler>")
    with open(os.path.join(folder, "sampler.xml"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


# ---- the demo songs ---------------------------------------------------------------------------------------

NOTE = {"C": -9, "C#": -8, "D": -7, "D#": -6, "E": -5, "F": -4, "F#": -3, "G": -2, "G#": -1, "A": 0, "A#": 1,
        "B": 2}


def freq(name, octave):
    return 440.0 * 2 ** ((NOTE[name] + 12 * (octave - 4)) / 12)


def song(bpm, bars, tone_hz, bass_notes, chords, arp):
    """Stereo: four bars of drums, then bass, chords and an arpeggio; the steady tone throughout."""
    beat = 60 / bpm
    n = int(round(bars * 4 * beat * RATE))
    left, right = np.zeros(n), np.zeros(n)

    def put(sound, at, gain, pan=0.0):
        s = int(round(at * RATE))
        e = min(n, s + len(sound))
        if e <= s:
            return
        left[s:e] += gain * (1 - pan) * sound[: e - s]
        right[s:e] += gain * (1 + pan) * sound[: e - s]

    k, h, c = kick(), hat(), clap()
    for b in range(bars * 4):
        put(k, b * beat, 0.55)
        put(h, (b + 0.5) * beat, 0.16, 0.3)
        if b % 2 == 1:
            put(c, b * beat, 0.22, -0.1)
        bar = b // 4
        if bar >= 4:
            root = bass_notes[(bar - 4) % len(bass_notes)]
            for half in (0, 0.5):
                dur = beat * 0.45
                t = seconds(dur)
                bass = np.sin(2 * np.pi * root * t) + 0.3 * np.sin(4 * np.pi * root * t)
                put(bass * envelope(dur, 0.004, 6), (b + half) * beat, 0.30)
    for bar in range(4, bars):
        chord = chords[(bar - 4) % len(chords)]
        dur = 4 * beat
        t = seconds(dur)
        pad = sum(np.sin(2 * np.pi * f * t) + 0.2 * np.sin(4 * np.pi * f * t) for f in chord)
        pad *= np.minimum(1, t / 0.25) * np.minimum(1, (dur - t) / 0.3)
        put(lowpass(pad, 2500), bar * 4 * beat, 0.045)
        for i in range(8):
            f = arp[(bar * 8 + i) % len(arp)]
            d = beat / 2 * 0.8
            tt = seconds(d)
            note = np.sin(2 * np.pi * f * tt) * envelope(d, 0.003, 10)
            put(note, (bar * 4 + i / 2) * beat, 0.07, 0.5 if i % 2 else -0.5)
    # The identifying tone, steady from the first frame to the last.
    tone = np.sin(2 * np.pi * tone_hz * np.arange(n) / RATE) * 0.16
    left += tone
    right += tone
    mix = np.stack([left, right], axis=1)
    peak = np.max(np.abs(mix))
    if peak > 0.95:
        mix *= 0.95 / peak
    return mix


# Neither song plays the other's tone or a note an octave below it (harmonics would land on it).
DEMO_SONGS = [
    # (file, title, track number, genre, bpm, tone, bass, chords, arpeggio)
    ("Night Drive.mp3", "Night Drive", 1, "House", 124, 440.0,
     [freq("A", 2), freq("F", 2), freq("C", 2), freq("E", 2)],
     [[freq("A", 3), freq("C", 4), freq("E", 4)], [freq("F", 3), freq("A", 3), freq("C", 4)],
      [freq("C", 4), freq("E", 4), freq("G", 4)], [freq("E", 3), freq("G", 3), freq("B", 3)]],
     [freq("A", 5), freq("E", 5), freq("C", 5), freq("E", 5)]),
    ("Morning Run.mp3", "Morning Run", 2, "Techno", 128, 587.33,
     [freq("D", 2), freq("B", 1), freq("G", 1), freq("E", 2)],
     [[freq("D", 4), freq("F#", 4), freq("B", 4)], [freq("B", 3), freq("D", 4), freq("F#", 4)],
      [freq("G", 3), freq("B", 3), freq("D", 4)], [freq("E", 4), freq("G", 4), freq("B", 4)]],
     [freq("D", 5), freq("B", 4), freq("F#", 5), freq("B", 4)]),
]


def write_demo_songs(folder):
    os.makedirs(folder, exist_ok=True)
    for name, title, number, genre, bpm, tone, bass, chords, arp in DEMO_SONGS:
        mix = song(bpm, 12, tone, bass, chords, arp)
        with tempfile.TemporaryDirectory() as tmp:
            wav = os.path.join(tmp, "song.wav")
            write_wav(wav, mix)
            subprocess.run(["sox", wav, "-C", "128", "--comment", "Title=" + title,
                            "--add-comment", "Artist=Orvel Demo", "--add-comment", "Album=Orvel Demo Songs",
                            "--add-comment", "Tracknumber=%d" % number, "--add-comment", "Genre=" + genre,
                            "--add-comment", "Year=2025", os.path.join(folder, name)], check=True)


def main():
    resources = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources")
    write_samples(os.path.join(resources, "samples"))
    write_demo_songs(os.path.join(resources, "demo_songs"))


if __name__ == "__main__":
    main()
