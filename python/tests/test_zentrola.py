"""The Python module against the reference energies and the command line.

Run by CTest with the module's folder on PYTHONPATH and ZENTROLA_BIN naming the program.
"""
import csv
import os
import shutil
import struct
import subprocess
import tempfile
import unittest
import zlib

import zentrola

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
REFERENCE = os.path.join(ROOT, "tests", "nnmodel", "data")
DATA = os.path.join(ROOT, "data")
BIN = os.environ.get("ZENTROLA_BIN", os.path.join(ROOT, "build", "zentrola"))

SEQ = "GGGGAAAACCCCUGCUCGAGUUCUCCCCUUAUAUAACAACUCACUUAAUUCCUCGACCCGGA"
A = "((((....))))...(((((((........................))...)))))......"
B = "((((....)))).....(((((...............))))).......(((.......)))"
SMALL = "MAXPOP=6\nOFFSPRINGNUM=24\nPRESERVETOPNUM=3\nPRESERVERANNUM=3\n"


def rows(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f, delimiter="\t"))


def child_env():
    # A preloaded sanitizer runtime is for this interpreter only.
    env = dict(os.environ)
    env.pop("LD_PRELOAD", None)
    return env


def run_cli(directory, *args):
    return subprocess.run([BIN, *args], cwd=directory, capture_output=True, text=True, env=child_env())


class Energies(unittest.TestCase):
    def test_readme_line(self):
        self.assertEqual(zentrola.energy("GGGAAACCC", "(((...)))"), -1.2)

    def test_reference_rows_d0_d1_d2(self):
        table = rows(os.path.join(REFERENCE, "energies.tsv"))
        self.assertGreater(len(table), 8000)
        for d in (0, 1, 2):
            wrong = [r for r in table
                     if zentrola.energy(r["sequence"], r["structure"], dangles=d) != float(r["E_d%d" % d])]
            self.assertEqual(wrong[:3], [], "-d%d" % d)

    def test_parameter_files(self):
        for name in ("rna_turner1999", "rna_andronescu2007", "rna_langdon2018"):
            table = rows(os.path.join(REFERENCE, "params", name + ".tsv"))
            params = os.path.join(DATA, name + ".par")
            for d in (0, 1, 2):
                wrong = [r for r in table
                         if zentrola.energy(r["sequence"], r["structure"], d, params) != float(r["d%d" % d])]
                self.assertEqual(wrong[:3], [], "%s -d%d" % (name, d))

    def test_path_energies_match_energy(self):
        structures = [A, B, "." * len(SEQ)]
        self.assertEqual(zentrola.path_energies(SEQ, structures, dangles=2),
                         [zentrola.energy(SEQ, s, 2) for s in structures])

    def test_bad_input_raises_value_error(self):
        for args in (("GGGAAACCC", "((...)))"), ("GGGAAACCC", "(((...)))", 3), ("GGG", "...", 1, "/no/such.par")):
            with self.assertRaises(ValueError):
                zentrola.energy(*args)


class FindPath(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="zentrola_pytest_")
        with open(os.path.join(self.dir, "in.faa"), "w") as f:
            f.write("toy\n%s\n%s\n%s\n" % (SEQ, A, B))
        with open(os.path.join(self.dir, "config"), "w") as f:
            f.write(SMALL + "DANGLES=2\n")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def test_same_path_as_the_command_line(self):
        config = os.path.join(self.dir, "config")
        r = zentrola.find_path(SEQ, A, B, method="ea", seed=7, config=config)
        cli = run_cli(self.dir, "-i", "in.faa", "-c", "config", "-d", "out", "-s", "7")
        self.assertEqual(cli.returncode, 0, cli.stderr)
        table = rows(os.path.join(self.dir, "out", "path.tsv"))
        self.assertEqual([t["structure"] for t in table], r.structures)
        self.assertEqual([float(t["energy_kcal_mol"]) for t in table], r.energies)
        self.assertEqual(r.energies, zentrola.path_energies(SEQ, r.structures, dangles=2))
        self.assertEqual([(t["move"], int(t["i"]), int(t["j"])) for t in table[1:]], r.moves)
        self.assertAlmostEqual(r.barrier, max(r.energies) - r.energies[0])
        self.assertIn("The optimal barrier energy is %g kcal/mol." % r.barrier, cli.stdout)
        self.assertLessEqual(r.lower_bound, r.barrier)
        self.assertIn(r.status, ("optimal", "bounded"))

    def test_other_methods_as_the_command_line(self):
        with open(os.path.join(self.dir, "config_d1"), "w") as f:
            f.write(SMALL)
        for method in [m for m in zentrola.METHODS if m != "ea"]:
            r = zentrola.find_path(SEQ, A, B, method=method, seconds=20, seed=7)
            cli = run_cli(self.dir, "-i", "in.faa", "-c", "config_d1", "-d", "out_" + method, "-s", "7",
                          "-m", method, "-t", "20")
            self.assertEqual(cli.returncode, 0, cli.stderr)
            self.assertEqual(cli.stdout.splitlines()[-1], "barrier=%.2f lower_bound=%.2f status=%s stop=%s"
                             % (r.barrier, r.lower_bound, r.status, r.stop))
            self.assertEqual((r.structures[0], r.structures[-1]), (A, B))
            self.assertEqual(r.energies, zentrola.path_energies(SEQ, r.structures))

    def test_input_errors_carry_the_command_line_message(self):
        bad = A[:-1] + "("
        with open(os.path.join(self.dir, "bad.faa"), "w") as f:
            f.write("toy\n%s\n%s\n%s\n" % (SEQ, bad, B))
        cli = run_cli(self.dir, "-i", "bad.faa", "-c", "config", "-d", "out", "-s", "1")
        with self.assertRaises(ValueError) as caught:
            zentrola.find_path(SEQ, bad, B, seed=1)
        self.assertIn(str(caught.exception), cli.stdout.splitlines())
        for kwargs in ({"method": "nonesuch"}, {"seconds": 0}, {"config": "/no/such/config"}):
            with self.assertRaises(ValueError):
                zentrola.find_path(SEQ, A, B, seed=1, **kwargs)

    @unittest.skipUnless(shutil.which("rsvg-convert"), "rsvg-convert (Debian librsvg2-bin) is not installed")
    def test_profile_picture_renders(self):
        r = zentrola.find_path(SEQ, A, B, seed=3, config=os.path.join(self.dir, "config"))
        r.save(self.dir, "toy switch")
        with open(os.path.join(self.dir, "path.html")) as f:
            self.assertIn(", method %s, status %s." % (zentrola.METHODS[0], r.status), f.read())
        png = os.path.join(self.dir, "path.png")
        subprocess.run(["rsvg-convert", "-b", "white", "-o", png, os.path.join(self.dir, "path.svg")],
                       check=True, env=child_env())
        width, height, pixels = read_png(png)
        self.assertEqual((width, height), (960, 540))
        coloured = sum(1 for p in pixels if max(p) - min(p) > 60)  # the profile, markers, labels
        dark = sum(1 for p in pixels if max(p) < 100)  # axes and text
        self.assertGreater(coloured, 1000)
        self.assertGreater(dark, 1000)


def read_png(path):
    """Width, height and RGB(A) pixel tuples of an 8-bit RGB or RGBA PNG."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour in (2, 6)
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    prev = bytearray(stride)
    pixels = []
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - channels] if x >= channels else 0
            b, c = prev[x], prev[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        pixels.extend(tuple(line[x:x + 3]) for x in range(0, stride, channels))
        prev = line
    return width, height, pixels


if __name__ == "__main__":
    unittest.main()
