// The real editor against random files named Plinkett.exe: empty, short, ending about the
// settings block, random bytes, huge, and the timer with a random settings block. It never
// crashes (it ends with exit code 0, or waits with its window or a message box), never writes
// unless asked, and a write changes only the editable bytes 82651..82723, growing a short file
// to 82724 bytes and no further. Short by default; PLINKETT_SOAK=long tries 1000 files. The
// random sequence is replayable: its number is printed (PLINKETT_FUZZ_RUN sets it).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "editor_texts.h"
#include "harness.h"
#include "settings_block.h"

using namespace e2e;

namespace {

constexpr std::size_t block_at = settings_block::file_offset;
constexpr std::size_t version_at = block_at + settings_block::version_at;
constexpr std::size_t first_editable = block_at + settings_block::always_on_top_at;
constexpr std::size_t font_at = block_at + settings_block::font_name_at;
constexpr std::size_t field_end = settings_block::field_end_offset;

// Creation order of the editor's controls.
enum Control { alarm_box = 1, frequency_box = 3, duration_box = 5, interval_box = 7 };
constexpr int always_on_top_control = 8, font_control = 10;

std::uint32_t sequence_number() {
    const std::string given = env("PLINKETT_FUZZ_RUN");
    return given.empty() ? 6061u : static_cast<std::uint32_t>(std::stoul(given));
}

class Fuzz {
  public:
    explicit Fuzz(std::uint32_t sequence)
        : rng(sequence), timer(read_file(built_program(L"Plinkett.exe"))) {}

    std::size_t pick(std::size_t low, std::size_t high) {
        return std::uniform_int_distribution<std::size_t>(low, high)(rng);
    }

    Bytes random_bytes(std::size_t size) {
        Bytes b(size);
        for (auto& x : b)
            x = static_cast<std::uint8_t>(rng());
        return b;
    }

    // A file and what it is, for failure messages.
    Bytes file(std::string& kind) {
        Bytes b;
        switch (pick(0, 13)) {
        case 0:
            kind = "empty";
            break;
        case 1:
        case 2:
            kind = "short";
            b = random_bytes(pick(1, version_at));
            break;
        case 3:
        case 4:
        case 5:
            kind = "ending about the block";
            b = random_bytes(pick(block_at - 8, field_end + 8));
            break;
        case 6:
        case 7:
            kind = "random bytes";
            b = random_bytes(pick(field_end, 300 * 1024));
            break;
        case 8:
            kind = "huge";
            b = random_bytes(pick(2, 5) * 1024 * 1024 + pick(0, 4095));
            break;
        default:
            kind = "the timer with a random block";
            b = timer;
            for (std::size_t at = block_at; at < field_end; ++at)
                b[at] = static_cast<std::uint8_t>(rng());
            // Font names mostly of printable units that end within the field.
            if (pick(0, 2) != 0) {
                const std::size_t units = pick(0, 32);
                for (std::size_t i = 0; i < 32; ++i) {
                    b[font_at + 2 * i] =
                        i < units ? static_cast<std::uint8_t>(pick(0x20, 0x7E)) : 0;
                    b[font_at + 2 * i + 1] = 0;
                }
            }
            break;
        }
        // Most files that reach the version byte carry version 3, so most get edited.
        if (b.size() > version_at && pick(0, 3) != 0)
            b[version_at] = settings_block::supported_version;
        return b;
    }

    std::mt19937 rng;
    const Bytes timer;
};

enum class Seen { nothing, box, window };

Seen first_thing_shown(const EditorRun& editor, HWND& shown) {
    Seen seen = Seen::nothing;
    wait_until(
        [&] {
            for (HWND w : windows_of(editor.id())) {
                if (!IsWindowVisible(w))
                    continue;
                if (class_of(w) == L"#32770") {
                    seen = Seen::box;
                    shown = w;
                    return true;
                }
                if (class_of(w) == L"MainApp")
                    seen = Seen::window, shown = w;
            }
            return seen != Seen::nothing;
        },
        20000);
    return seen;
}

// What the user typed before a write; empty numbers mean the boxes were left as loaded.
struct Typed {
    bool edited = false;
    std::uint16_t numbers[4] = {};
    bool always_on_top = false;
    std::wstring font;
};

// Checks a written file against the one it replaced.
void expect_written(const Bytes& before, const Bytes& after, const Typed& typed,
                    const CalledFrom& = {}) {
    ASSERT_EQ(after.size(), std::max(before.size(), field_end));
    std::size_t changed_outside = 0;
    for (std::size_t at = 0; at < after.size(); ++at)
        if (at < first_editable || at >= field_end)
            changed_outside += after[at] != (at < before.size() ? before[at] : 0);
    EXPECT_EQ(changed_outside, 0u) << "bytes outside the editable fields changed";
    const std::size_t number_at[4] = {block_at + settings_block::alarm_time_ms_at,
                                      block_at + settings_block::beep_frequency_hz_at,
                                      block_at + settings_block::beep_duration_ms_at,
                                      block_at + settings_block::beep_interval_ms_at};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(u16_at(after, number_at[i]),
                  typed.edited ? typed.numbers[i] : u16_at(before, number_at[i]))
            << "number " << i;
    const std::uint8_t was_on_top = first_editable < before.size() ? before[first_editable] : 0;
    EXPECT_EQ(int{after[first_editable]},
              typed.edited ? int{typed.always_on_top} : int{was_on_top != 0});
    EXPECT_EQ(u16_at(after, field_end - 2), 0u) << "the font field's last unit";

    // The font name as it must have been written: the typed text, or the loaded name when it is
    // plain text that the box shows unchanged; at most 31 units, then zeros.
    std::wstring name = typed.font;
    if (!typed.edited) {
        for (std::size_t i = 0; i < 32 && u16_at(before, font_at + 2 * i) != 0; ++i)
            name += static_cast<wchar_t>(u16_at(before, font_at + 2 * i));
        for (wchar_t c : name)
            if (c < 0x20 || c > 0x7E)
                return;
    }
    name = name.substr(0, 31);
    for (std::size_t i = 0; i < 32; ++i)
        EXPECT_EQ(u16_at(after, font_at + 2 * i),
                  i < name.size() ? static_cast<std::uint16_t>(name[i]) : 0)
            << "font unit " << i;
}

} // namespace

TEST(EditorFuzz, RandomFilesNeverCrashItNorGetWrittenUnlessAskedAndOnlyInTheBlock) {
    const int files = env("PLINKETT_SOAK") == "long" ? 1000 : 30;
    const std::uint32_t sequence = sequence_number();
    std::printf("editor fuzz: %d files, random sequence %u\n", files, sequence);
    std::fflush(stdout);
    Fuzz fuzz(sequence);
    ASSERT_GT(fuzz.timer.size(), field_end);
    const std::wstring folder = scratch_folder();
    const std::wstring path = folder + L"\\Plinkett.exe";
    int written = 0, kept = 0, refused = 0, wrong_version = 0;

    for (int n = 0; n < files && !::testing::Test::HasFailure(); ++n) {
        std::string kind;
        const Bytes before = fuzz.file(kind);
        const bool editable =
            before.size() > version_at && before[version_at] == settings_block::supported_version;
        SCOPED_TRACE("file " + std::to_string(n) + ": " + kind + ", " +
                     std::to_string(before.size()) + " bytes, version " +
                     std::to_string(version_at < before.size() ? before[version_at] : 0));
        write_file(path, before);
        ASSERT_EQ(read_file(path).size(), before.size());

        EditorRun editor(folder);
        HWND shown = nullptr;
        const Seen seen = first_thing_shown(editor, shown);
        ASSERT_NE(seen, Seen::nothing) << "neither a window nor a message box";
        bool asked_to_write = false;
        Typed typed;
        if (!editable) {
            ASSERT_EQ(seen, Seen::box);
            EXPECT_EQ(message_text(shown), editor_texts::other_version);
            press_ok(shown);
            ++wrong_version;
        } else {
            ASSERT_EQ(seen, Seen::window) << "a message box instead of the window";
            const auto controls = editor.controls();
            ASSERT_EQ(controls.size(), 12u);
            const std::size_t action = fuzz.pick(0, 5);
            if (action <= 1) {
                PostMessageW(shown, WM_CLOSE, 0, 0);
                ++kept;
            } else if (action == 2) {
                // A number the write refuses: a message, nothing written, the editor stays.
                const wchar_t* wrong[] = {L"-1", L"65536", L"70000", L"12a", L"0x10", L"1 2"};
                set_text(controls[alarm_box + 2 * fuzz.pick(0, 3)], wrong[fuzz.pick(0, 5)]);
                editor.press_write();
                HWND box = wait_for_message_box(editor.id(), 10000);
                ASSERT_NE(box, nullptr);
                EXPECT_NE(message_text(box), editor_texts::before_write);
                press_ok(box);
                pause_ms(100);
                EXPECT_TRUE(editor.running());
                PostMessageW(shown, WM_CLOSE, 0, 0);
                ++refused;
            } else {
                if (action == 5) {
                    typed.edited = true;
                    for (int i = 0; i < 4; ++i) {
                        typed.numbers[i] = static_cast<std::uint16_t>(fuzz.pick(0, 65535));
                        std::wstring text = std::to_wstring(typed.numbers[i]);
                        if (fuzz.pick(0, 3) == 0)
                            text = L" " + text + L"  ";
                        set_text(controls[alarm_box + 2 * i], text);
                    }
                    typed.always_on_top = fuzz.pick(0, 1) == 1;
                    SendMessageTimeoutW(controls[always_on_top_control], BM_SETCHECK,
                                        typed.always_on_top ? BST_CHECKED : BST_UNCHECKED, 0,
                                        SMTO_BLOCK, 5000, nullptr);
                    for (std::size_t i = fuzz.pick(0, 40); i > 0; --i)
                        typed.font += static_cast<wchar_t>(fuzz.pick(0x21, 0x7E));
                    set_text(controls[font_control], typed.font);
                }
                editor.press_write();
                HWND box = wait_for_message_box(editor.id(), 10000);
                ASSERT_NE(box, nullptr);
                EXPECT_EQ(message_text(box), editor_texts::before_write);
                press_ok(box);
                asked_to_write = true;
                ++written;
            }
        }
        EXPECT_EQ(editor.process->wait_exit(30000), 0u);
        const Bytes after = read_file(path);
        if (asked_to_write)
            expect_written(before, after, typed);
        else
            EXPECT_TRUE(after == before) << "written without being asked";
        EXPECT_EQ(folder_entries(folder), std::vector<std::wstring>{L"Plinkett.exe"});
    }
    std::printf("editor fuzz: %d written, %d closed unwritten, %d refused numbers, %d other "
                "versions\n",
                written, kept, refused, wrong_version);
}
