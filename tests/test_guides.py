"""Checks the user guides as the release ZIP gets them: installed from a build, each is a
.txt file in UTF-8 with a byte-order mark and CRLF line ends, with its Markdown source's text."""

import os
import subprocess
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


class ReleaseGuidesTest(unittest.TestCase):
    def test_guides_are_notepad_text(self):
        with tempfile.TemporaryDirectory() as prefix:
            subprocess.run([os.environ["CMAKE_COMMAND"], "--install",
                            os.environ["PLINKETT_BUILD_DIR"], "--prefix", prefix],
                           check=True, stdout=subprocess.DEVNULL)
            names = sorted(n for n in os.listdir(prefix) if n.startswith("user-guide"))
            self.assertEqual(names, ["user-guide.ja.txt", "user-guide.txt"])
            for name in names:
                with open(os.path.join(prefix, name), "rb") as f:
                    data = f.read()
                self.assertEqual(data[:3], b"\xef\xbb\xbf", name)
                self.assertEqual(data.count(b"\n"), data.count(b"\r\n"), name)
                self.assertTrue(data.endswith(b"\r\n"), name)
                with open(os.path.join(ROOT, "docs", name[:-4] + ".md"), "rb") as f:
                    source = f.read()
                self.assertEqual(data[3:], source.replace(b"\n", b"\r\n"), name)
