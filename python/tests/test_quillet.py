"""Tests of the installed quillet package against the built library: every
export once, and each failure result as the exception it becomes.

Run: QUILLET_LIBRARY=build/linux/bin/libquillet.so.0 python3 -m unittest discover -s python/tests
(without QUILLET_LIBRARY the package looks beside itself, then on the system path)."""
import os
import subprocess
import sys
import tempfile
import threading
import unittest

import quillet


def write_file(folder, name, text):
    path = os.path.join(folder, name)
    with open(path, "w", encoding="utf-8", newline="") as file:
        file.write(text)
    return path


def read_file(path):
    with open(path, encoding="utf-8", newline="") as file:
        return file.read()


class FolderTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="quillet-py-")
        self.missing = os.path.join(self.folder, "no such folder", "file.ini")
        quillet.set_encoding("utf-8")
        quillet.set_code_page(0)

    def tearDown(self):
        for name in os.listdir(self.folder):
            os.remove(os.path.join(self.folder, name))
        os.rmdir(self.folder)

    def file(self, name, text):
        return write_file(self.folder, name, text)

    def assertFileError(self, call, *names):
        with self.assertRaises(quillet.FileError) as caught:
            call()
        self.assertIsInstance(caught.exception, OSError)
        self.assertEqual([caught.exception.filename, caught.exception.filename2][:len(names)], list(names))


class TextTest(FolderTest):
    def test_text_operations(self):
        self.assertEqual(quillet.replace("a-b-c", "-", "+"), "a+b+c")
        self.assertEqual(quillet.replace("a-b-c", "-", "+", 1), "a+b-c")
        self.assertEqual(quillet.parse_backslash_string("x\\ty\\\\"), "x\ty\\")
        self.assertEqual(quillet.get_csv_field('1,"Pear ""C""",2', 2), 'Pear "C"')
        self.assertEqual(quillet.get_csv_field("1,2", 3), "")

    def test_texts_in_an_encoding_or_as_bytes(self):
        # 表 is 0x95 0x5C in Shift-JIS: its trail byte is a backslash, which
        # the double-byte rule keeps from being replaced.
        quillet.set_encoding("cp932")
        quillet.set_code_page(932)
        self.assertEqual(quillet.replace("表\\", "\\", "/"), "表/")
        quillet.set_encoding(None)
        self.assertEqual(quillet.replace(b"a\xff", b"a", b"b"), b"b\xff")
        with self.assertRaises(TypeError):
            quillet.replace("a", "a", "b")
        quillet.set_encoding("utf-8")
        # Bytes that are not UTF-8 come back as they went in.
        self.assertEqual(quillet.replace("a\udcff", "a", "b").encode("utf-8", "surrogateescape"), b"b\xff")
        with self.assertRaises(ValueError):
            quillet.replace("a\0b", "a", "b")
        with self.assertRaises(TypeError):
            quillet.replace(1, "a", "b")
        with self.assertRaises(LookupError):
            quillet.set_encoding("no such codec")

    def test_unknown_code_page(self):
        with self.assertRaises(ValueError):
            quillet.set_code_page(99999)

    def test_remove_file(self):
        path = self.file("gone.txt", "x")
        quillet.remove_file(path)
        self.assertFalse(os.path.exists(path))
        self.assertFileError(lambda: quillet.remove_file(path), path)

    def test_csv_conversions(self):
        csv = self.file("prices.csv", 'apple,100\n"pear, green",80\n')
        table = os.path.join(self.folder, "table.ini")
        quillet.trans_csv_to_ini(csv, table)
        self.assertTrue(read_file(table).startswith("[csvinfo]\r\nline=2\r\n"))
        prices = os.path.join(self.folder, "prices.ini")
        quillet.create_ini_from_csv_element(csv, prices, "prices", 1, 2)
        self.assertEqual(read_file(prices), '[prices]\r\napple="100"\r\npear, green="80"\r\n')
        missing_csv = os.path.join(self.folder, "missing.csv")
        self.assertFileError(lambda: quillet.trans_csv_to_ini(missing_csv, table), missing_csv, table)
        self.assertFileError(lambda: quillet.create_ini_from_csv_element(csv, self.missing, "s"),
                             csv, self.missing)


class IniStoreTest(FolderTest):
    def test_load_query_edit_write(self):
        path = self.file("in.ini", "; top\n[window]\nwidth=80\nheight=24\n[colours]\n[empty]\n")
        self.assertEqual(quillet.ini.load(path), 3)
        self.assertEqual(quillet.ini.sections(), ["window", "colours", "empty"])
        self.assertEqual(quillet.ini.keys("window"), ["width", "height"])
        self.assertEqual(quillet.ini.keys("empty"), [])
        quillet.ini.rename_section("colours", "colors")
        quillet.ini.rename_key("window", "width", "columns")
        quillet.ini.move_section(2, 1)
        out = os.path.join(self.folder, "out.ini")
        quillet.ini.write(out)
        self.assertEqual(read_file(out), "; top\r\n[colors]\r\n[window]\r\ncolumns=80\r\nheight=24\r\n[empty]\r\n")

        lists = os.path.join(self.folder, "lists.ini")
        self.assertEqual(quillet.ini.write_sections(lists), 3)
        self.assertEqual(quillet.ini.write_keys("window", lists, append=True), 2)
        self.assertEqual(quillet.ini.write_keys("empty", lists, append=True), 0)
        self.assertIn("[keylist]\r\n0=\"columns\"", read_file(lists))

    def test_failures(self):
        self.assertFileError(lambda: quillet.ini.load(self.missing), self.missing)
        quillet.ini.load(self.file("in.ini", "[a]\nk=v\n"))
        with self.assertRaises(quillet.NoMatchError):
            quillet.ini.rename_section("b", "c")
        with self.assertRaises(quillet.NoMatchError):
            quillet.ini.rename_key("a", "x", "y")
        with self.assertRaises(LookupError):
            quillet.ini.move_section(1, 2)
        with self.assertRaises(quillet.NoMatchError):
            quillet.ini.write_keys("b", os.path.join(self.folder, "keys.ini"))
        self.assertFileError(lambda: quillet.ini.write(self.missing), self.missing)
        self.assertFileError(lambda: quillet.ini.write_sections(self.missing), self.missing)
        with self.assertRaises(ValueError):
            quillet.ini.write_sections("")


class WordListTest(FolderTest):
    def test_build_sort_and_write(self):
        words = self.file("words.txt", "pear\napricot\napple\n")
        quillet.words.clear()
        quillet.words.append("apple")
        quillet.words.append_file(words)
        quillet.words.sort()
        quillet.words.unique()
        self.assertEqual(quillet.words.count(), 3)
        out = os.path.join(self.folder, "words.ini")
        self.assertEqual(quillet.words.write(out, "ap"), 2)
        self.assertEqual(read_file(out), '[word]\r\n0="apple"\r\n1="apricot"\r\n')

    def test_failures(self):
        quillet.words.clear()
        self.assertFileError(lambda: quillet.words.append_file(self.missing), self.missing)
        self.assertFileError(lambda: quillet.words.write(self.missing), self.missing)


class DictionaryTest(FolderTest):
    def test_load_and_look_up(self):
        path = self.file("dic.txt", "#apple\nA red fruit.\n#pear\nSweet.\n#apple\n")
        self.assertEqual(quillet.dictionary.load(path, "#"), 3)
        self.assertEqual(quillet.dictionary.titles(), ["#apple", "#pear", "#apple"])
        self.assertEqual(quillet.dictionary.search("#apple"), "A red fruit.\n")
        self.assertEqual(quillet.dictionary.search("#apple", 2), "")  # an entry without body
        self.assertIsNone(quillet.dictionary.search("#apple", 3))
        self.assertEqual(quillet.dictionary.entry(2), "Sweet.\n")
        self.assertIsNone(quillet.dictionary.entry(4))
        self.assertEqual(quillet.dictionary.count("#apple"), 2)
        out = os.path.join(self.folder, "titles.ini")
        self.assertEqual(quillet.dictionary.write_titles(out), 3)
        self.assertFileError(lambda: quillet.dictionary.write_titles(self.missing), self.missing)

    def test_failures(self):
        path = self.file("dic.txt", "#a\nx\n")
        with self.assertRaises(ValueError):
            quillet.dictionary.load(path, "")
        self.assertFileError(lambda: quillet.dictionary.load(self.missing, "#"), self.missing)
        self.assertEqual(quillet.dictionary.titles(), [])
        self.assertEqual(quillet.dictionary.count("#a"), 0)
        with self.assertRaises(quillet.NoMatchError):
            quillet.dictionary.write_titles(os.path.join(self.folder, "titles.ini"))


class ProcessTest(unittest.TestCase):
    def test_threads_do_not_overlap(self):
        # Each thread checks its own results: without the lock, another
        # thread's call would overwrite the library's result buffer.
        wrong = []

        def work(n):
            for i in range(2000):
                text = "%d-%d-%s" % (n, i, "x" * (i % 500))
                if quillet.replace(text, "-", "+") != text.replace("-", "+"):
                    wrong.append(text)

        threads = [threading.Thread(target=work, args=(n,)) for n in range(4)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(len(wrong), 0, wrong[:3])

    def test_the_stores_are_one_per_process(self):
        self.assertIs(quillet.IniStore(), quillet.ini)
        self.assertIn("one", repr(quillet.words))

    def test_a_missing_library_is_reported_with_the_places_tried(self):
        def failure(environment):
            code = "import quillet\ntry:\n quillet.library_path()\nexcept quillet.LibraryNotFoundError as e:\n print(e)\n"
            run = subprocess.run([sys.executable, "-c", code], env=environment,
                                 stdout=subprocess.PIPE, universal_newlines=True, check=True)
            return run.stdout

        environment = dict(os.environ, QUILLET_LIBRARY=os.path.join(tempfile.gettempdir(), "none.so"))
        self.assertIn("none.so", failure(environment))
        environment = {key: value for key, value in os.environ.items()
                       if key not in ("QUILLET_LIBRARY", "LD_LIBRARY_PATH")}
        bundled = os.path.join(os.path.dirname(quillet.__file__), "libquillet.so.0")
        if not os.path.exists(bundled) and sys.platform.startswith("linux"):
            message = failure(environment)
            if not message:
                self.skipTest("a libquillet.so.0 is installed on the system's library path")
            self.assertIn(bundled + " (not there)", message)
            self.assertIn("libquillet.so.0 on the system's library path", message)


if __name__ == "__main__":
    unittest.main()
