"""The release's user guides, installed from a build: .txt, UTF-8 with a byte-order mark, CRLF."""
import os
import subprocess
import tempfile
import unittest


class ReleaseGuidesTest(unittest.TestCase):
    def test_guides_are_notepad_text(self):
        with tempfile.TemporaryDirectory() as prefix:
            subprocess.run([os.environ["CMAKE_COMMAND"], "--install",
                            os.environ["PLINKETT_BUILD_DIR"], "--prefix", prefix],
                           check=True, stdout=subprocess.DEVNULL)
            for name in ("user-guide.txt", "user-guide.ja.txt"):
                with open(os.path.join(prefix, name), "rb") as f:
                    data = f.read()
                with open(os.path.join("docs", name[:-4] + ".md"), "rb") as f:
                    source = f.read()
                self.assertEqual(data, b"\xef\xbb\xbf" + source.replace(b"\n", b"\r\n"), name)
