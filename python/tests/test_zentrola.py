"""The Python module against the reference energies and the command line.

Run by CTest with the module's folder on PYTHONPATH and ZENTROLA_BIN naming the program.
"""
import csv
import os
import re
import shutil
import signal
import struct
import subprocess
import tempfile
import threading
import time
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


def checked_rows(path):
    """The reference rows the module accepts: hairpins of fewer than 3 bases are an error."""
    return [r for r in rows(path) if not re.search(r"\(\.{0,2}\)", r["structure"])]


def child_env():
    # A preloaded sanitizer runtime is for this interpreter only.
    env = dict(os.environ)
    env.pop("LD_PRELOAD", None)
    return env


def run_cli(directory, *args):
    return subprocess.run([BIN, *args], cwd=directory, capture_output=True, text=True, env=child_env())


def instance(name):
    """Sequence, A and B of a row of bench/public.tsv."""
    row = next(r for r in rows(os.path.join(ROOT, "bench", "public.tsv")) if r["id"] == name)
    return row["sequence"], row["A"], row["B"]


HARD = instance("isolen_1303")  # 100 nt: the exact search runs its whole budget


class Energies(unittest.TestCase):
    def test_readme_line(self):
        self.assertEqual(zentrola.energy("GGGAAACCC", "(((...)))"), -1.2)

    def test_reference_rows_d0_d1_d2(self):
        table = checked_rows(os.path.join(REFERENCE, "energies.tsv"))
        self.assertGreater(len(table), 7000)
        for d in (0, 1, 2):
            wrong = [r for r in table
                     if zentrola.energy(r["sequence"], r["structure"], dangles=d) != float(r["E_d%d" % d])]
            self.assertEqual(wrong[:3], [], "-d%d" % d)

    def test_parameter_files(self):
        for name in ("rna_turner1999", "rna_andronescu2007", "rna_langdon2018"):
            table = checked_rows(os.path.join(REFERENCE, "params", name + ".tsv"))
            params = os.path.join(DATA, name + ".par")
            for d in (0, 1, 2):
                wrong = [r for r in table
                         if zentrola.energy(r["sequence"], r["structure"], d, params) != float(r["d%d" % d])]
                self.assertEqual(wrong[:3], [], "%s -d%d" % (name, d))

    def test_path_energies_match_energy(self):
        structures = [A, B, "." * len(SEQ)]
        self.assertEqual(zentrola.path_energies(SEQ, structures, dangles=2),
                         [zentrola.energy(SEQ, s, 2) for s in structures])

    def test_parameter_file_by_name(self):
        by_path = zentrola.energy(SEQ, A, params=os.path.join(DATA, "rna_andronescu2007.par"))
        self.assertNotEqual(by_path, zentrola.energy(SEQ, A))
        for name in ("andronescu2007", "rna_andronescu2007", "rna_andronescu2007.par"):
            self.assertEqual(zentrola.energy(SEQ, A, params=name), by_path)


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
        message = str(caught.exception)
        self.assertEqual(message, "a: the '(' at position %d is never closed" % len(SEQ))
        self.assertIn("line 3 (structure A)" + message[1:], cli.stdout.splitlines())

    def test_every_bad_argument_raises_value_error_naming_it(self):
        bad_config = os.path.join(self.dir, "bad_config")
        with open(bad_config, "w") as f:
            f.write("MAXPOP=x\n")
        r = zentrola.find_path(SEQ, A, B, method="direct")
        calls = [
            ("sequence", zentrola.energy, ("GGGXAACCC", "(((...)))"), {}),
            ("sequence", zentrola.energy, ("", ""), {}),
            ("structure", zentrola.energy, ("GGGAACCC", "(((..)))"), {}),
            ("structure", zentrola.energy, ("GGGAAACCC", "(((...))"), {}),
            ("dangles", zentrola.energy, ("GGGAAACCC", "(((...)))", 3), {}),
            ("params", zentrola.energy, ("GGGAAACCC", "(((...)))"), {"params": "/no/such.par"}),
            ("params", zentrola.energy, ("GGGAAACCC", "(((...)))"), {"params": ""}),
            ("temperature", zentrola.energy, ("GGGAAACCC", "(((...)))"), {"temperature": 101}),
            ("sequence", zentrola.path_energies, ("GGGAAACCC ", ["(((...)))"]), {}),
            ("structures[1]", zentrola.path_energies, ("GGGAAACCC", ["(((...)))", "((....)))"]), {}),
            ("dangles", zentrola.path_energies, ("GGGAAACCC", ["(((...)))"], -1), {}),
            ("params", zentrola.path_energies, ("GGGAAACCC", ["(((...)))"]), {"params": DATA}),
            ("temperature", zentrola.path_energies, ("GGGAAACCC", ["(((...)))"]), {"temperature": -300}),
            ("sequence", zentrola.find_path, ("ACGU", "....", "...."), {"sequence": "ACGZ"}),
            ("a", zentrola.find_path, (SEQ, A[1:], B), {}),
            ("b", zentrola.find_path, (SEQ, A, ")" + B[1:]), {}),
            ("method", zentrola.find_path, (SEQ, A, B), {"method": "nonesuch"}),
            ("seconds", zentrola.find_path, (SEQ, A, B), {"seconds": 0}),
            ("seconds", zentrola.find_path, (SEQ, A, B), {"seconds": float("nan")}),
            ("seed", zentrola.find_path, (SEQ, A, B), {"seed": -1}),
            ("seed", zentrola.find_path, (SEQ, A, B), {"seed": 2 ** 32}),
            ("width", zentrola.find_path, (SEQ, A, B), {"width": 0}),
            ("config", zentrola.find_path, (SEQ, A, B), {"config": "/no/such/config"}),
            ("config", zentrola.find_path, (SEQ, A, B), {"config": bad_config}),
            ("memory_mib", zentrola.find_path, (SEQ, A, B), {"memory_mib": 0}),
            ("dangles", zentrola.find_path, (SEQ, A, B), {"dangles": 5}),
            ("params", zentrola.find_path, (SEQ, A, B), {"params": "nonesuch"}),
            ("temperature", zentrola.find_path, (SEQ, A, B), {"temperature": 1e9}),
            ("directory", r.save, ("",), {}),
            ("directory", r.save, (os.path.join(bad_config, "sub"),), {}),
        ]
        for name, function, args, kwargs in calls:
            if name == "sequence" and function is zentrola.find_path:
                args, kwargs = (kwargs.pop("sequence"),) + args[1:], kwargs
            with self.subTest(name=name, args=args, kwargs=kwargs):
                with self.assertRaises(ValueError) as caught:
                    function(*args, **kwargs)
                self.assertTrue(str(caught.exception).startswith(name + ": "), str(caught.exception))

    def test_threads_with_different_energy_settings_give_the_serial_results(self):
        small = os.path.join(self.dir, "small")
        with open(small, "w") as f:
            f.write(SMALL)
        calls = [dict(method="exact", dangles=0), dict(method="exact", params="andronescu2007"),
                 dict(method="direct", temperature=25.0), dict(method="ea", dangles=2, seed=3, config=small),
                 dict(method="ea", params="langdon2018", seed=3, config=small),
                 dict(method="auto", params="turner1999", temperature=42, seed=5, seconds=20, config=small)]

        def outcome(kwargs):
            r = zentrola.find_path(SEQ, A, B, **kwargs)
            return r.barrier, r.lower_bound, r.status, r.structures, r.energies

        serial = [outcome(c) for c in calls]
        self.assertEqual(len(set(str(x) for x in serial)), len(calls))  # the settings all matter
        together = [None] * len(calls)
        threads = [threading.Thread(target=lambda k=k: together.__setitem__(k, outcome(calls[k])))
                   for k in range(len(calls))]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        self.assertEqual(together, serial)

    def test_other_threads_run_during_a_search(self):
        ticks, running = [], True

        def tick():
            while running:
                time.sleep(0.1)
                ticks.append(1)

        t = threading.Thread(target=tick)
        t.start()
        started = time.monotonic()
        r = zentrola.find_path(*HARD, method="exact", seconds=6, memory_mib=300)
        running = False
        t.join()
        self.assertEqual(r.stop, "budget")  # it ran the whole 6 s
        self.assertGreaterEqual(time.monotonic() - started, 6)
        self.assertGreaterEqual(len(ticks), 50)

    def test_ctrl_c_raises_keyboard_interrupt_in_every_method(self):
        long_calls = {"direct": (instance("ribo_TPP_B.subtilis"), {"width": 20000}),  # about a minute
                      "exact": (HARD, {"seconds": 60, "memory_mib": 300}),
                      "auto": (HARD, {"seconds": 60, "memory_mib": 300, "seed": 1}),
                      "ea": (HARD, {"seed": 1})}
        for method in zentrola.METHODS:
            problem, kwargs = long_calls[method]
            sent = []
            timer = threading.Timer(0.5, lambda: sent.append(time.monotonic()) or os.kill(os.getpid(), signal.SIGINT))
            timer.start()
            with self.subTest(method=method):
                with self.assertRaises(KeyboardInterrupt):
                    zentrola.find_path(*problem, method=method, **kwargs)
                self.assertLess(time.monotonic() - sent[0], 3)
            timer.join()


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


class CommandLine(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="zentrola_pytest_")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def write(self, name, text):
        with open(os.path.join(self.dir, name), "w") as f:
            f.write(text)

    def test_sigterm_during_auto_leaves_complete_files(self):
        self.write("hard.faa", "hard\n%s\n%s\n%s\n" % HARD)
        run = subprocess.Popen([BIN, "-i", "hard.faa", "-d", "out", "-c", os.path.join(ROOT, "examples", "config"),
                                "-s", "1", "-m", "auto", "-t", "60", "-M", "300"], cwd=self.dir, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, text=True, env=child_env())
        time.sleep(1.5)
        run.send_signal(signal.SIGTERM)
        out, err = run.communicate(timeout=10)
        self.assertEqual(run.returncode, 143, err)
        last = out.splitlines()[-1]
        self.assertRegex(last, r"^barrier=\S+ lower_bound=\S+ status=bounded stop=interrupted$")
        folder = os.path.join(self.dir, "out")
        self.assertEqual(sorted(os.listdir(folder)), ["log.txt", "path.html", "path.svg", "path.tsv", "result.txt"])
        table = rows(os.path.join(folder, "path.tsv"))
        self.assertEqual((table[0]["structure"], table[-1]["structure"]), HARD[1:])
        energies = [float(t["energy_kcal_mol"]) for t in table]
        self.assertEqual(energies, zentrola.path_energies(HARD[0], [t["structure"] for t in table]))
        self.assertEqual("barrier=%.2f" % (max(energies) - energies[0]), last.split()[0])
        with open(os.path.join(folder, "path.svg")) as f:
            self.assertTrue(f.read().rstrip().endswith("</svg>"))
        with open(os.path.join(folder, "log.txt")) as f:
            self.assertRegex(f.read().splitlines()[-1], r"barrier energy|^barrier=")

    def test_t_for_u_changes_nothing(self):
        with open(os.path.join(ROOT, "examples", "dsra.faa")) as f:
            name, seq, a, b = f.read().split()
        self.write("config", SMALL)
        outputs = {}
        for letter in "UT":
            self.write(letter + ".faa", "%s\n%s\n%s\n%s\n" % (name, seq.replace("U", letter), a, b))
            for method in ["ea"] + [m for m in zentrola.METHODS if m != "ea"]:
                folder = os.path.join(self.dir, letter + method)
                os.mkdir(folder)
                shutil.copy(os.path.join(self.dir, letter + ".faa"), os.path.join(folder, "in.faa"))
                budget = [] if method == "ea" else ["-t", "20"]
                cli = run_cli(folder, "-i", "in.faa", "-d", "out", "-c", "../config", "-s", "4", "-m", method, *budget)
                texts = [cli.stdout, cli.stderr, str(cli.returncode)]
                for f in sorted(os.listdir(os.path.join(folder, "out"))):
                    with open(os.path.join(folder, "out", f)) as handle:
                        texts.append(f + "\n" + handle.read())
                # Clock readings aside (dates in the result file, the methods' time line, elapsed
                # seconds in progress lines).
                text = re.sub(r"\w{3} \w{3} [ \d]\d \d\d:\d\d:\d\d \d{4}|^%s: .* s \(cpu .*$|^exact: [\d.]+ s," % method,
                              "", "\n".join(texts), flags=re.M)
                # The sequence and its trimmed parts as written with U.
                outputs[letter, method] = re.sub(r"[ACGTUN]{8,}", lambda m: m.group().replace("T", "U"), text)
        self.assertEqual(outputs["U", "ea"].count("can not pair"), 0)
        for method in zentrola.METHODS:
            self.assertEqual(outputs["T", method], outputs["U", method], method)


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
