#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into fuzz/corpus/<target>/seed-*.

The seeds are the stored forms the programs and tests use, their broken
variants, short programs for the property and FFT interpreters that reach
the edges of each range, command lines of the tool and small sound files of
the common containers and encodings, whole and broken. Inputs that found a
fault are kept beside them under other names and are not written here.
"""
import math
import pathlib
import struct

CORPUS = pathlib.Path(__file__).resolve().parent / "corpus"

# --- stored forms -------------------------------------------------------------

ROOT = pathlib.Path(__file__).resolve().parent.parent


def stored_form_of(folder, head):
    """The stored form a program keeps in one of its headers as a raw string
    literal R"(...)" that begins with head."""
    for header in sorted((ROOT / folder).glob("*.h")):
        text = header.read_text()
        start = text.find('R"(' + head)
        if start >= 0:
            return text[start + 3:text.index(')"', start)]
    raise SystemExit(f"no stored form beginning with {head!r} in {folder}/")


IIR_FORM = stored_form_of("iir", "object sigIIRFilter1: TsigIIRFilter")
PERF_FORM = stored_form_of("perf", "object sigIIRFilter: TsigIIRFilter")

EVERY_PROPERTY = """object sigIIRFilter1: TsigIIRFilter
  Kind = fkChebyshev
  Response = ftBandstop
  Order = 4
  Frequency1 = 1000
  Frequency2 = 3000
  SampleRate = 44100
  Ripple = 0.5
  ManualReset = True
end
"""


def filter_form(body, name="sigIIRFilter1"):
    return f"object {name}: TsigIIRFilter\n{body}end\n"


def fft_form(body, name="sigFFT1"):
    return f"object {name}: TsigFFT\n{body}end\n"


STORED_FORMS = {
    "iir-window": IIR_FORM,
    "perf-window": PERF_FORM,
    "every-property": EVERY_PROPERTY,
    "crlf": EVERY_PROPERTY.replace("\n", "\r\n"),
    "above-default-nyquist": filter_form("  Kind = fkBessel\n  Response = ftBandpass\n  Order = 8\n"
                                         "  Frequency1 = 60000\n  Frequency2 = -4\n  SampleRate = 96000\n"
                                         "  Ripple = -2\n"),
    "extremes": filter_form("  Kind = fkChebyshev\n  Response = ftHighpass\n  Frequency1 = 1e-4951\n"
                            "  Frequency2 = inf\n  SampleRate = 1.18973149535723176502e4932\n"
                            "  Ripple = 3.6451995318824746025e-4951\n"),
    "tiny-rate": filter_form("  Response = ftBandstop\n  Order = 8\n  SampleRate = 0.0001\n"),
    # loads up to its design, which divides by zero: the load is undone
    "failing-design": filter_form("  Response = ftBandpass\n  Order = 8\n  Frequency1 = 1e-10\n"
                                  "  Frequency2 = 1e-10\n  SampleRate = 9.9999999999e-11\n")
    + fft_form("  Power = 3\n", "loadedFirst"),
    "order-out-of-range": filter_form("  Order = 99999999999999999999\n  Kind = fkBessel\n"),
    "repeated": filter_form("  Order = 3\n  Order = 0\n  Order = 8\n  Kind = fkBessel\n  Kind = fkChebyshev\n"),
    "fft-every-property": fft_form("  Power = 12\n  BufferSize = 4096\n  Window = fwGaussian\n"),
    "fft-sizes": fft_form("  Power = -5\n  BufferSize = 2147483648\n  Window = fwParzen\n"),
    "fft-twiddles": fft_form("  Twiddles = ftExact\n  Power = 4\n") + fft_form("  Twiddles = ftRecurrence\n", "b"),
    "fft-unknown-twiddles": fft_form("  Twiddles = ftApproximate\n"),
    "two-of-a-name": fft_form("") + fft_form(""),
    "unnamed": "object TsigIIRFilter\nend\nobject TsigFFT\nend\n",
    "name-taken": filter_form("  Kind = fkBessel\n", "sigFFT1"),
    "nan": filter_form("  Frequency1 = nan\n"),
    "overflow": filter_form("  Frequency1 = 1e99999\n"),
    "unknown-class": "object x: TNoSuch\nend\n",
    "unknown-property": filter_form("  Colour = 3\n"),
    "unknown-enum": filter_form("  Kind = fkElliptic\n"),
    "malformed-boolean": filter_form("  ManualReset = yes\n"),
    "missing-end": "object a: TsigFFT\n  Power = 7\n",
    "garbage": fft_form("") + "garbage\n",
    "no-equals": filter_form("  Order 2\n"),
    "nested": "object a: TsigIIRFilter\nobject b: TsigFFT\nend\nend\n",
    "nul": "object a: TsigFFT\n  Power = 7\0\nend\n",
    "empty": "",
}

# --- the filter's property program ------------------------------------------

KIND, RESPONSE, ORDER, FREQUENCY1, FREQUENCY2, SAMPLE_RATE, RIPPLE, MANUAL_RESET = range(8)
SAMPLES, RESET = 0xF0, 0xF8
# Indices into the fuzz support's table of edge values.
EDGE = {"0": 0, "-0": 1, "1e-10": 2, "0.0001": 4, "0.0002": 5, "1": 7, "-1": 8, "3": 10, "40": 11,
        "1000": 13, "44100": 15, "1e300": 18, "1e2000": 20, "max": 22, "min": 24, "denorm": 25,
        "inf": 27, "-inf": 28, "nan": 29, "1e4000": 30, "100": 31}


def extended(x):
    """The 10 bytes of an extended value equal to the double x (0x80 first:
    raw bits follow)."""
    if x == 0.0:
        return bytes([0x80]) + bytes(9) + bytes([0x80 if math.copysign(1, x) < 0 else 0])
    m, e = math.frexp(abs(x))  # x = m 2^e, 0.5 <= m < 1
    significand = int(m * 2**64)
    exponent = e - 1 + 16383
    sign = 0x8000 if x < 0 else 0
    return bytes([0x80]) + struct.pack("<QH", significand, sign | exponent)


def raw(significand, sign_exponent):
    return bytes([0x80]) + struct.pack("<QH", significand, sign_exponent)


def edge(name):
    return bytes([EDGE[name]])


def samples(*values):
    return bytes([SAMPLES, len(values) - 1]) + b"".join(values)


def step(setter, value):
    return bytes([setter]) + value


def order(n):
    return bytes([ORDER]) + struct.pack("<i", n)


IIR_WINDOW = (step(SAMPLE_RATE, extended(1000)) + step(MANUAL_RESET, b"\1") + step(FREQUENCY1, extended(40))
              + step(FREQUENCY2, extended(60)) + step(RESPONSE, b"\3") + order(2) + step(RIPPLE, extended(3))
              + samples(*[extended(100 * math.sin(i / 3)) for i in range(40)]))

FILTER_PROGRAMS = {
    "iir-window": IIR_WINDOW,
    "order-8-chebyshev": (step(SAMPLE_RATE, extended(1000)) + step(KIND, b"\1") + order(8) + step(RIPPLE, extended(5))
                          + step(FREQUENCY1, extended(1)) + samples(*[edge("1")] * 48)),
    "order-8-bessel-band": (step(KIND, b"\2") + step(RESPONSE, b"\2") + order(8) + step(FREQUENCY1, extended(1000))
                            + step(FREQUENCY2, extended(1000.5)) + samples(edge("1"), edge("-1"), edge("max"))),
    "nan-everywhere": (step(FREQUENCY1, edge("nan")) + step(FREQUENCY2, edge("nan")) + step(SAMPLE_RATE, edge("nan"))
                       + step(RIPPLE, edge("nan")) + samples(edge("nan"), edge("1"))),
    "infinities": (step(SAMPLE_RATE, edge("inf")) + step(FREQUENCY1, edge("inf")) + step(SAMPLE_RATE, edge("max"))
                   + step(FREQUENCY2, edge("-inf")) + samples(edge("inf"), edge("-inf"))),
    "huge-rate": (step(RESPONSE, b"\3") + order(7) + step(SAMPLE_RATE, edge("1e4000")) + step(FREQUENCY1, edge("1e2000"))
                  + step(FREQUENCY2, edge("1e300")) + step(KIND, b"\1") + step(RIPPLE, edge("1e300"))),
    "tiny-rate": (step(RESPONSE, b"\2") + order(8) + step(SAMPLE_RATE, edge("0.0001")) + samples(edge("1"))
                  + step(SAMPLE_RATE, edge("denorm")) + step(FREQUENCY1, edge("0"))),
    "out-of-range": (step(KIND, b"\3") + step(RESPONSE, b"\xff") + order(0) + order(9) + order(-2**31)
                     + step(SAMPLE_RATE, edge("-1")) + step(RIPPLE, edge("-1")) + step(FREQUENCY1, edge("-0"))),
    "manual-reset": (step(MANUAL_RESET, b"\1") + samples(edge("1"), edge("1")) + step(FREQUENCY1, extended(3000))
                     + samples(edge("1")) + bytes([RESET]) + step(KIND, b"\2") + samples(edge("1"))),
    "unnormal": (step(FREQUENCY1, raw(0x4000000000000000, 0x4008)) + step(SAMPLE_RATE, raw(0, 0x7fff))
                 + step(RIPPLE, raw(0xC000000000000000, 0xffff)) + samples(raw(0x1234, 0x3fff), raw(1, 0))),
    "subnormal-samples": samples(*[edge("denorm"), edge("min"), extended(1e-39), extended(-7e-40)] * 4),
}

# --- the FFT program -----------------------------------------------------------

POWER, BUFFER_SIZE, WINDOW, WRITE, GENERATE, FLAG, FORWARD, INVERSE, TWIDDLES = range(9)


def int32(op, v):
    return bytes([op]) + struct.pack("<i", v)


def write(at, pairs):
    return bytes([WRITE]) + struct.pack("<iB", at, len(pairs)) + b"".join(struct.pack("<ff", r, i) for r, i in pairs)


def generate(real_family, imag_family, seed):
    return bytes([GENERATE, real_family, imag_family]) + struct.pack("<I", seed)


FFT_PROGRAMS = {
    "impulse-8": int32(POWER, 3) + write(1, [(1.0, 0.0)]) + bytes([FORWARD]),
    "inverse-4": int32(BUFFER_SIZE, 4) + write(0, [(4.0, 0.0)]) + bytes([INVERSE, INVERSE]),
    "hanning-ones": int32(BUFFER_SIZE, 256) + bytes([WINDOW, 2]) + write(0, [(1.0, 0.0)] * 255) + bytes([FORWARD]),
    "largest": int32(POWER, 15) + generate(0, 1, 7) + bytes([FORWARD, INVERSE]),
    "sizes": b"".join(int32(BUFFER_SIZE, v) for v in (1000, -7, 0, 65536, 3, 2**31 - 1, -2**31)) + int32(POWER, 16),
    "subnormal-flag": (int32(POWER, 6) + generate(2, 2, 11) + bytes([FLAG, 1, FORWARD, FLAG, 0, FORWARD])
                       + generate(1, 2, 5) + bytes([INVERSE])),
    "specials": int32(POWER, 5) + generate(4, 4, 3) + bytes([FORWARD, INVERSE]),
    "windows": b"".join(bytes([WINDOW, k]) + generate(3, 0, k) + bytes([FORWARD]) for k in (1, 3, 4, 5, 6, 7, 255)),
    "mostly-zero": int32(POWER, 10) + write(513, [(1e-45, -0.0), (3.4e38, 1.0)]) + bytes([FORWARD, INVERSE]),
    "exact-twiddles": (int32(POWER, 12) + bytes([TWIDDLES, 1]) + generate(0, 0, 9) + bytes([FORWARD, INVERSE])
                       + bytes([TWIDDLES, 2, TWIDDLES, 1, TWIDDLES, 0]) + bytes([FORWARD, TWIDDLES, 255])),
    "twiddles-kept": (bytes([TWIDDLES, 1]) + int32(BUFFER_SIZE, 64) + bytes([WINDOW, 2]) + write(3, [(1.0, -1.0)])
                      + bytes([FORWARD]) + int32(POWER, 2) + bytes([INVERSE])),
}


# --- the command-line tool's parser ------------------------------------------

# The first byte puts a subcommand in front; NUL bytes separate the arguments.
DESIGN, FILTER, SPECTRUM, THROUGHPUT, THROUGHPUT_IIR, THROUGHPUT_FFT, NO_COMMAND = range(7)


def command(prefix, *arguments):
    return bytes([prefix]) + b"\0".join(a.encode("latin-1") for a in arguments)


CLI_COMMANDS = {
    "design-every-option": command(DESIGN, "--kind", "chebyshev", "--ripple", "0.5", "--response", "bandpass",
                                   "--order", "4", "--f1", "500", "--f2", "2000", "--rate", "48000"),
    "design-table": command(DESIGN, "--form", "filter.txt", "--response", "512", "--format", "CSV",
                            "--plot", "x.png", "--plot-size", "1000x700", "--save", "notch.txt"),
    "design-conflicts": command(DESIGN, "--form", "f.txt", "--order", "2", "--response", "lowpass", "--response",
                                "3", "--response", "0"),
    "design-numbers": command(DESIGN, "--f1", "1e99999", "--rate", "nan", "--ripple", "-inf", "--f2", "0x1p-16445",
                              "--order", "99999999999", "--plot-size", "99999999999x1"),
    "filter": command(FILTER, "--kind", "butterworth", "--response", "highpass", "--order", "4", "--f1", "80",
                      "voice.wav", "clean.wav", "-q"),
    "filter-format": command(FILTER, "--f1", "5000", "in.wav", "out.flac", "--format", "flac", "--subtype",
                             "pcm_24", "--form", "notch.txt", "--retune"),
    "filter-rate": command(FILTER, "--rate", "44100", "in.wav", "out.wav", "extra.wav"),
    "spectrum": command(SPECTRUM, "--size", "4096", "--window", "Blackman", "--overlap", "0.75", "--channel", "2",
                        "in.flac"),
    "spectrum-bad": command(SPECTRUM, "--size", "1000", "--overlap", "1", "--channel", "0", "in.wav", "--plot"),
    "throughput-iir": command(THROUGHPUT_IIR, "--kind", "bessel", "--response", "bandstop", "--order", "8",
                              "--duration", "100"),
    "throughput-fft": command(THROUGHPUT_FFT, "--size", "100000", "--operation", "INVERSE", "--duration", "-1"),
    "throughput-alone": command(THROUGHPUT),
    "no-command": command(NO_COMMAND),
    "help": command(NO_COMMAND, "--help"),
    "command-help": command(NO_COMMAND, "spectrum", "--help"),
    "nested-help": command(THROUGHPUT, "fft", "-h"),
    "equals-and-dashes": command(DESIGN, "--order=3", "--kind=BESSEL", "--", "--f1", "-"),
}

# --- the sound-file reader -----------------------------------------------------


def wav(tag, channels, rate, bits, data, data_length=None, extensible_of=None):
    """A RIFF WAVE file: fmt (extensible when extensible_of gives the
    subformat tag) and data, whose length may claim more than there is."""
    block = channels * bits // 8
    fmt = struct.pack("<HHIIHH", 0xFFFE if extensible_of else tag, channels, rate, rate * block, block, bits)
    if extensible_of:
        guid = struct.pack("<I", extensible_of) + bytes.fromhex("000000001000800000aa00389b71")
        fmt += struct.pack("<HHI", 22, bits, 0) + guid
    chunks = b"fmt " + struct.pack("<I", len(fmt)) + fmt
    chunks += b"data" + struct.pack("<I", len(data) if data_length is None else data_length) + data
    return b"RIFF" + struct.pack("<I", 4 + len(chunks)) + b"WAVE" + chunks


def au(encoding, channels, rate, data):
    return b".snd" + struct.pack(">IIIII", 24, len(data), encoding, rate, channels) + data


def aiff(channels, rate, bits, data):
    # the rate as a big-endian 80-bit extended value
    exponent = rate.bit_length() - 1
    rate80 = struct.pack(">HQ", 16383 + exponent, rate << (63 - exponent))
    frames = len(data) // (channels * bits // 8)
    comm = struct.pack(">hIh", channels, frames, bits) + rate80
    ssnd = struct.pack(">II", 0, 0) + data
    chunks = b"COMM" + struct.pack(">I", len(comm)) + comm + b"SSND" + struct.pack(">I", len(ssnd)) + ssnd
    return b"FORM" + struct.pack(">I", 4 + len(chunks)) + b"AIFF" + chunks


def tone(frames, channels, code):
    """Interleaved samples of a short tone, each packed by code."""
    return b"".join(struct.pack(code, v) for i in range(frames) for v in
                    [0.5 * math.sin(i / 3 + c) for c in range(channels)])


def pcm(frames, channels, bits, order="<"):
    scale = 2 ** (bits - 1) - 1
    values = [round(0.5 * math.sin(i / 3 + c) * scale) for i in range(frames) for c in range(channels)]
    if bits == 8:
        return bytes((v + 128) & 0xFF for v in values)  # WAV's 8-bit samples are unsigned
    width = bits // 8
    return b"".join(v.to_bytes(width, "little" if order == "<" else "big", signed=True) for v in values)


SOUND_FILES = {
    "wav-pcm16-stereo": wav(1, 2, 8000, 16, pcm(64, 2, 16)),
    "wav-pcm8": wav(1, 1, 11025, 8, pcm(64, 1, 8)),
    "wav-pcm24": wav(1, 1, 48000, 24, pcm(32, 1, 24)),
    "wav-pcm32-three": wav(1, 3, 96000, 32, pcm(16, 3, 32)),
    "wav-float-specials": wav(3, 1, 44100, 32, struct.pack("<6f", float("nan"), float("inf"), -0.0, 2.0, 1e-45, -1.0)),
    "wav-double": wav(3, 2, 44100, 64, tone(16, 2, "<d")),
    "wav-ulaw": wav(7, 1, 8000, 8, bytes(range(0, 256, 4))),
    "wav-alaw": wav(6, 1, 8000, 8, bytes(range(0, 256, 4))),
    "wav-extensible-float": wav(0, 2, 48000, 32, tone(16, 2, "<f"), extensible_of=3),
    "wav-extensible-pcm16": wav(0, 1, 22050, 16, pcm(32, 1, 16), extensible_of=1),
    "wav-data-too-long": wav(1, 1, 8000, 16, pcm(10, 1, 16), data_length=0xFFFFFFF0),
    "wav-odd-data": wav(1, 2, 8000, 16, pcm(10, 2, 16)[:-3]),
    "wav-zero-channels": wav(1, 0, 8000, 16, pcm(10, 1, 16)),
    "wav-zero-rate": wav(1, 1, 0, 16, pcm(10, 1, 16)),
    "wav-many-channels": wav(1, 1024, 8000, 16, bytes(4096)),
    "wav-truncated-header": wav(1, 1, 8000, 16, pcm(10, 1, 16))[:30],
    "au-pcm16": au(3, 1, 8000, pcm(32, 1, 16, ">")),
    "au-float": au(6, 2, 44100, tone(16, 2, ">f")),
    "aiff-pcm16": aiff(2, 44100, 16, pcm(32, 2, 16, ">")),
    "empty": b"",
    "text": b"object TsigFFT\n  Power = 7\nend\n",
}


def main():
    for target, seeds in (("stored_form", {k: v.encode("latin-1") for k, v in STORED_FORMS.items()}),
                          ("filter_properties", FILTER_PROGRAMS), ("fft", FFT_PROGRAMS),
                          ("cli_options", CLI_COMMANDS), ("audio_reader", SOUND_FILES)):
        folder = CORPUS / target
        folder.mkdir(parents=True, exist_ok=True)
        for old in folder.glob("seed-*"):
            old.unlink()
        for name, data in seeds.items():
            (folder / f"seed-{name}").write_bytes(data)


if __name__ == "__main__":
    main()
