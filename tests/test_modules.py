"""Checks the shape of the programs' sources from their text alone.

A module is a .h and its .cpp of the same name in one folder. No two modules may include each
other, directly or round a longer loop, and every free function that a header declares must be
defined in that header's own .cpp. The C++ is read with a careful heuristic, not a compiler:
comments, strings and preprocessor lines are dropped, and only top-level declarations (at file
or namespace scope) ending in ");" count; inline, constexpr and template functions, class
bodies, "= delete" and aliases are skipped.
"""

import os
import re
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
COMMON = "common"
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)
NOT_A_PLAIN_DECLARATION = re.compile(r"^(inline|constexpr|template|using|typedef|extern|static|"
                                     r"static_assert|friend|class|struct|enum|union)\b")


def sources(root, folder):
    path = os.path.join(root, folder)
    return sorted(f for f in os.listdir(path) if f.endswith((".h", ".cpp")))


def module_of(folder, file_name):
    return folder + "/" + os.path.splitext(file_name)[0]


def include_graph(root, folders):
    """{module: {included module}} over `folders`; an include resolves in the including file's
    folder first, then in common/. Includes found in neither (system or generated headers)
    are left out, and so is a module's include of its own header."""
    graph = {}
    for folder in folders:
        for name in sources(root, folder):
            module = module_of(folder, name)
            edges = graph.setdefault(module, set())
            with open(os.path.join(root, folder, name), encoding="utf-8") as f:
                for included in INCLUDE.findall(f.read()):
                    for where in (folder, COMMON):
                        if os.path.isfile(os.path.join(root, where, included)):
                            target = module_of(where, included)
                            if target != module:
                                edges.add(target)
                            break
    return graph


def find_cycle(graph):
    """One cycle as a list of modules that starts and ends with the same one, or None."""
    state = {}  # absent: not seen; 1: on the current path; 2: done
    path = []

    def visit(module):
        state[module] = 1
        path.append(module)
        for nxt in sorted(graph.get(module, ())):
            if state.get(nxt) == 1:
                return path[path.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        path.pop()
        state[module] = 2
        return None

    for module in sorted(graph):
        if module not in state:
            found = visit(module)
            if found:
                return found
    return None


def strip_code(text):
    """The text without comments, string and character literals, and preprocessor lines;
    line breaks are kept."""
    text = re.sub(r"//[^\n]*|/\*.*?\*/", lambda m: re.sub(r"[^\n]", " ", m.group()), text,
                  flags=re.S)
    text = re.sub(r'L?"(\\.|[^"\\\n])*"', '""', text)
    text = re.sub(r"L?'(\\.|[^'\\\n])*'", "''", text)
    return re.sub(r"^\s*#[^\n]*(\\\n[^\n]*)*", "", text, flags=re.M)


def top_level_statements(code):
    """Statements at file or namespace scope, with the bodies of classes, functions and
    initialisers left out. Each ends at its ';' or, for one with a body, at the body."""
    statements, current, i = [], "", 0
    while i < len(code):
        c = code[i]
        if c == "{":
            head = current.strip()
            if re.match(r'^(inline\s+)?namespace\b[\w:\s]*$|^extern\s*""$', head):
                current = ""  # a namespace's members are top-level too
            else:
                depth = 0
                while i < len(code):  # skip the body
                    depth += {"{": 1, "}": -1}.get(code[i], 0)
                    if depth == 0:
                        break
                    i += 1
                statements.append(head + " {}")
                current = ""
        elif c == "}":
            current = ""  # the end of a namespace
        elif c == ";":
            statements.append(current.strip())
            current = ""
        else:
            current += c
        i += 1
    return [" ".join(s.split()) for s in statements if s.strip()]


def declared_functions(header_text):
    """Names of the free functions a header declares without defining them."""
    names = []
    for s in top_level_statements(strip_code(header_text)):
        if s.endswith("{}") or NOT_A_PLAIN_DECLARATION.match(s) or "= delete" in s:
            continue
        if not s.endswith(")") and not s.endswith("noexcept"):
            continue
        # The parameter list is the last balanced (...) group; the name stands before it.
        end = s.rfind(")")
        depth, start = 0, end
        while start >= 0:
            depth += {")": 1, "(": -1}.get(s[start], 0)
            if depth == 0:
                break
            start -= 1
        name = re.search(r"([A-Za-z_]\w*)\s*$", s[:start])
        if name and name.group(1) != "operator":
            names.append(name.group(1))
    return names


def defines(cpp_text, name):
    """True when the .cpp has a definition `name(...) {` (qualifiers before the brace allowed)."""
    code = strip_code(cpp_text)
    for m in re.finditer(r"(?<![\w.>])" + re.escape(name) + r"\s*\(", code):
        depth, i = 0, m.end() - 1
        while i < len(code):
            depth += {"(": 1, ")": -1}.get(code[i], 0)
            if depth == 0:
                break
            i += 1
        if re.match(r"\s*(const\s*|noexcept\s*|override\s*)*\{", code[i + 1:]):
            return True
    return False


def misplaced_declarations(root, folders):
    """'folder/file.h: name' for each declared function not defined in the header's .cpp."""
    problems = []
    for folder in folders:
        for name in sources(root, folder):
            if not name.endswith(".h"):
                continue
            with open(os.path.join(root, folder, name), encoding="utf-8") as f:
                functions = declared_functions(f.read())
            cpp = os.path.join(root, folder, os.path.splitext(name)[0] + ".cpp")
            cpp_text = ""
            if os.path.isfile(cpp):
                with open(cpp, encoding="utf-8") as f:
                    cpp_text = f.read()
            problems += [f"{folder}/{name}: {function}" for function in functions
                         if not defines(cpp_text, function)]
    return problems


class ModuleTest(unittest.TestCase):
    def assert_no_cycle(self, folders):
        cycle = find_cycle(include_graph(ROOT, folders))
        self.assertIsNone(cycle, "modules include each other: " + " -> ".join(cycle or []))

    def assert_declarations_defined_in_place(self, folders):
        self.assertEqual(misplaced_declarations(ROOT, folders), [],
                         "declared here but not defined in the header's own .cpp")

    def test_timer_and_common(self):
        self.assert_no_cycle(["timer", COMMON])
        self.assert_declarations_defined_in_place(["timer", COMMON])

    def test_editor_and_common(self):
        self.assert_no_cycle(["editor", COMMON])
        self.assert_declarations_defined_in_place(["editor", COMMON])

    def test_the_check_finds_a_cycle_and_a_function_defined_elsewhere(self):
        files = {
            "a.h": '#pragma once\n#include "b.h"\n// f(); in a comment\nint f(int x);\n'
                   'inline int g() { return 1; }\nstruct S { void m(); };\n',
            "a.cpp": '#include "a.h"\nint helper(int x) { return x; }\n',
            "b.h": "namespace n {\nvoid h(const char (&s)[4]);\n}\n",
            "b.cpp": '#include "b.h"\n#include "c.h"\nnamespace n {\n'
                     "void h(const char (&s)[4]) { (void)s; }\n}\n",
            "c.h": "#pragma once\n",
            "c.cpp": '#include "a.h"\nint f(int x) { return x; }\n',
        }
        with tempfile.TemporaryDirectory() as root:
            os.mkdir(os.path.join(root, "p"))
            for name, text in files.items():
                with open(os.path.join(root, "p", name), "w", encoding="utf-8") as f:
                    f.write(text)
            self.assertEqual(find_cycle(include_graph(root, ["p"])),
                             ["p/a", "p/b", "p/c", "p/a"])
            self.assertEqual(misplaced_declarations(root, ["p"]), ["p/a.h: f"])


if __name__ == "__main__":
    unittest.main()
