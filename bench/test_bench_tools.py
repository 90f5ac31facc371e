#!/usr/bin/env python3
"""Checks that make-book and make-samples write books Tomlet reads as intended: every item
listed, the exact size, CP949 text with CR LF, no format message, the same bytes for a seed.

  TOMLET=build-bench/app/tomlet python3 bench/test_bench_tools.py
"""

import os
import pathlib
import subprocess
import tempfile
import unittest

HERE = pathlib.Path(__file__).resolve().parent
EXAMPLES = HERE.parent / "examples"
TOMLET = os.environ.get("TOMLET", str(HERE.parent / "build-bench" / "app" / "tomlet"))


def run(args, check=True):
    return subprocess.run(args, capture_output=True, timeout=120, check=check)


def tomlet_list(book):
    """(names, stderr) of `tomlet --list`, read in CP949 as the books are."""
    done = run([TOMLET, "--codepage", "CP949", "--list", str(book)])
    names = [line.split("\t", 2)[2] for line in done.stdout.decode().splitlines()]
    return names, done.stderr.decode()


def tomlet_show(book, index):
    done = run([TOMLET, "--codepage", "CP949", "--show", str(index), str(book)])
    return done.stdout.decode()


def cvd_texts(data):
    """Titles and bodies of a CVD book, without their final bytes, walked by the chaining."""
    texts = []
    p = 74
    while p + 14 <= len(data):
        n = int.from_bytes(data[p + 4:p + 8], "little")
        m = int.from_bytes(data[p + n + 10:p + n + 14], "little")
        texts += [data[p + 8:p + n + 7], data[p + n + 14:p + n + 13 + m]]
        p += n + 13 + m
    return texts


def make_book(out, *args):
    return run([str(HERE / "make-book"), *args, str(out)], check=False)


class MakeBookTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.folder = pathlib.Path(self.dir.name)

    def tearDown(self):
        self.dir.cleanup()

    def smallest_size(self, fmt, items):
        """The size make-book names as the least that holds the items."""
        done = make_book(self.folder / f"small.{fmt}", "--format", fmt, "--items", str(items),
                         "--bytes", "1")
        self.assertNotEqual(done.returncode, 0)
        return int(done.stderr.decode().rsplit("at least ", 1)[1].rstrip(")\n"))

    def test_books_list_every_item_at_the_exact_size(self):
        # The smallest books that hold their items, one item, a spread of sizes, and CVD bodies
        # close to their 65535-byte limit.
        cases = [(fmt, items, self.smallest_size(fmt, items))
                 for fmt in ("txt", "cvd") for items in (1, 3)]
        cases += [("txt", 60, 64 << 10), ("txt", 2000, 1 << 20), ("cvd", 60, 64 << 10),
                  ("cvd", 2000, 1 << 20), ("cvd", 2, 131000)]
        for fmt, items, size in cases:
            with self.subTest(fmt=fmt, items=items, size=size):
                book = self.folder / f"book-{items}-{size}.{fmt}"
                done = make_book(book, "--format", fmt, "--items", str(items), "--bytes",
                                 str(size))
                self.assertEqual(done.returncode, 0, done.stderr.decode())
                self.assertEqual(book.stat().st_size, size)
                names, errors = tomlet_list(book)
                self.assertEqual(errors, "")
                self.assertEqual(len(names), items)
                for i, name in enumerate(names, 1):
                    prefix = "Tomlet " if i % 50 == 0 else f"제{i}장 "
                    self.assertTrue(name.startswith(prefix), name)
                # The last item reaches the end of the file and still shows.
                self.assertIn(names[-1], tomlet_show(book, items - 1))

    def test_sizes_take_units(self):
        book = self.folder / "units.txt"
        for size, want in (("3K", 3072), ("1MB", 1 << 20), ("5000", 5000)):
            with self.subTest(size=size):
                make_book(book, "--items", "2", "--bytes", size)
                self.assertEqual(book.stat().st_size, want)

    def test_text_is_in_its_encoding_with_cr_lf_line_ends(self):
        for fmt in ("txt", "cvd"):
            for encoding in ("cp949", "utf-8"):
                with self.subTest(fmt=fmt, encoding=encoding):
                    book = self.folder / f"lines-{encoding}.{fmt}"
                    done = make_book(book, "--format", fmt, "--items", "300", "--bytes", "200K",
                                     "--encoding", encoding)
                    self.assertEqual(done.returncode, 0, done.stderr.decode())
                    self.assertEqual(book.stat().st_size, 200 << 10)
                    data = book.read_bytes()
                    texts = cvd_texts(data) if fmt == "cvd" else [data]
                    self.assertEqual(len(texts), 600 if fmt == "cvd" else 1)
                    for text in texts:
                        self.assertEqual(text.count(b"\n"), text.count(b"\r\n"))
                        self.assertEqual(text.count(b"\r"), text.count(b"\r\n"))
                        self.assertNotIn(b"\x00", text)
                        text.decode(encoding)  # raises on a split or stray byte

    def test_same_seed_same_bytes(self):
        paths = []
        for name, seed in (("a", "7"), ("b", "7"), ("c", "8")):
            path = self.folder / f"{name}.txt"
            make_book(path, "--items", "500", "--bytes", "300K", "--seed", seed)
            paths.append(path.read_bytes())
        self.assertEqual(paths[0], paths[1])
        self.assertNotEqual(paths[0], paths[2])

    def test_impossible_sizes_are_refused(self):
        cases = [
            ("txt", "100", "10"),          # fewer bytes than the names take
            ("cvd", "100", "2000"),        # fewer bytes than the records need
            ("cvd", "2", "200K"),          # a body would pass 65535 bytes
            ("txt", "1", "3G"),            # larger than a book Tomlet reads
        ]
        for fmt, items, size in cases:
            with self.subTest(fmt=fmt, items=items, size=size):
                book = self.folder / f"refused.{fmt}"
                done = make_book(book, "--format", fmt, "--items", items, "--bytes", size)
                self.assertNotEqual(done.returncode, 0)
                self.assertIn(b"make-book", done.stderr)


class SamplesTest(unittest.TestCase):
    def test_committed_samples_are_what_the_script_writes(self):
        with tempfile.TemporaryDirectory() as folder:
            run([str(HERE / "make-samples"), folder])
            for name in ("sample.txt", "sample.cvd"):
                with self.subTest(name=name):
                    self.assertEqual((pathlib.Path(folder) / name).read_bytes(),
                                     (EXAMPLES / name).read_bytes())

    def test_sample_txt_reads_as_written(self):
        names, errors = tomlet_list(EXAMPLES / "sample.txt")
        self.assertEqual(errors, "")
        self.assertEqual(names, ["Tomlet 소개", "제1장 봄", "제2장 여름", "제3장 가을",
                                 "제4장 겨울", "제5장 차 한 잔", "제6장 작은 마을",
                                 "제7장 장날", "제8장 밤길", "맺음말"])
        shown = tomlet_show(EXAMPLES / "sample.txt", 1)
        self.assertEqual(shown.split("\n")[:3], ["제1장 봄", "    1 /     9",
                                                 "꽃샘추위가 물러가던 날\r"])
        self.assertNotIn("견본 책", "".join(tomlet_show(EXAMPLES / "sample.txt", i)
                                          for i in range(len(names))))

    def test_sample_cvd_reads_without_format_message(self):
        names, errors = tomlet_list(EXAMPLES / "sample.cvd")
        self.assertEqual(errors, "")
        self.assertEqual(len(names), 8)
        self.assertIn("Tomlet 찻집", names)
        shown = tomlet_show(EXAMPLES / "sample.cvd", 0)
        self.assertTrue(shown.startswith("녹차\n    0 /     7\n찻잎을"), shown)
        self.assertIn("\r\n\n", shown)  # a body's CR gains a line feed when shown


if __name__ == "__main__":
    unittest.main()
