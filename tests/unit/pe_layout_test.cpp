// Walks the built Plinkett.exe on its own (section table, resource directory) to prove that
// the settings block sits where the editor patches it, independently of the build's placement
// step; then asks the Windows loader the same question. The same walk reads both programs'
// version resources.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "settings_block.h"
#include "test_support.h"

namespace {

struct Resource {
    std::wstring type;
    DWORD name, lang, offset, size;
};

struct PeFile {
    std::vector<std::uint8_t> bytes;
    std::vector<IMAGE_SECTION_HEADER> sections;
    DWORD rsrc_rva = 0;

    template <typename T> T at(std::size_t off) const {
        T v;
        if (off + sizeof v > bytes.size())
            throw std::runtime_error("read past the end of the file");
        std::memcpy(&v, bytes.data() + off, sizeof v);
        return v;
    }

    DWORD offset_of(DWORD rva) const {
        for (const auto& s : sections)
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData)
                return s.PointerToRawData + (rva - s.VirtualAddress);
        throw std::runtime_error("RVA outside every section");
    }
};

PeFile read_pe(const std::string& unix_path) {
    std::ifstream in("Z:" + unix_path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + unix_path);
    PeFile pe;
    pe.bytes.assign(std::istreambuf_iterator<char>(in), {});
    auto dos = pe.at<IMAGE_DOS_HEADER>(0);
    auto file = pe.at<IMAGE_FILE_HEADER>(dos.e_lfanew + 4);
    std::size_t opt = dos.e_lfanew + 4 + sizeof(IMAGE_FILE_HEADER);
    WORD magic = pe.at<WORD>(opt);
    std::size_t dirs = opt + (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC ? 112 : 96);
    pe.rsrc_rva =
        pe.at<IMAGE_DATA_DIRECTORY>(dirs + 8 * IMAGE_DIRECTORY_ENTRY_RESOURCE).VirtualAddress;
    std::size_t table = opt + file.SizeOfOptionalHeader;
    for (int i = 0; i < file.NumberOfSections; ++i)
        pe.sections.push_back(pe.at<IMAGE_SECTION_HEADER>(table + 40 * i));
    return pe;
}

std::vector<Resource> resources(const PeFile& pe) {
    const DWORD base = pe.offset_of(pe.rsrc_rva);
    auto entries = [&](DWORD dir) {
        auto d = pe.at<IMAGE_RESOURCE_DIRECTORY>(base + dir);
        std::vector<IMAGE_RESOURCE_DIRECTORY_ENTRY> out;
        for (int i = 0; i < d.NumberOfNamedEntries + d.NumberOfIdEntries; ++i)
            out.push_back(pe.at<IMAGE_RESOURCE_DIRECTORY_ENTRY>(base + dir + sizeof d + 8 * i));
        return out;
    };
    std::vector<Resource> found;
    for (auto& t : entries(0)) {
        std::wstring type;
        if (t.NameIsString) {
            WORD n = pe.at<WORD>(base + t.NameOffset);
            for (WORD k = 0; k < n; ++k)
                type += static_cast<wchar_t>(pe.at<WORD>(base + t.NameOffset + 2 + 2 * k));
        } else {
            type = std::to_wstring(t.Id);
        }
        for (auto& n : entries(t.OffsetToDirectory))
            for (auto& l : entries(n.OffsetToDirectory)) {
                auto data = pe.at<IMAGE_RESOURCE_DATA_ENTRY>(base + l.OffsetToData);
                found.push_back({type, n.Id, l.Id, pe.offset_of(data.OffsetToData), data.Size});
            }
    }
    return found;
}

void expect_block_in_place(const std::string& exe, const CalledFrom& = {}) {
    PeFile pe = read_pe(exe);
    bool found_block = false;
    for (const auto& r : resources(pe)) {
        if (r.type == L"BINARY" && r.name == 101) {
            found_block = true;
            EXPECT_EQ(r.offset, static_cast<DWORD>(settings_block::file_offset));
            EXPECT_EQ(r.size, settings_block::block_size);
            EXPECT_EQ(r.lang, 0x0800u);
            ASSERT_GE(pe.bytes.size(), r.offset + r.size);
            EXPECT_EQ(0, std::memcmp(pe.bytes.data() + r.offset, settings_block::shipped,
                                     settings_block::block_size));
        } else {
            // Nothing else may lie on the block or on the two bytes the editor writes after it.
            bool overlaps = r.offset < settings_block::field_end_offset &&
                            r.offset + r.size > static_cast<DWORD>(settings_block::file_offset);
            EXPECT_FALSE(overlaps) << "resource " << std::string(r.type.begin(), r.type.end())
                                   << "/" << r.name << " at " << r.offset;
        }
    }
    ASSERT_TRUE(found_block) << "no resource BINARY 101 in " << exe;
}

std::string env(const char* name) {
    const char* v = getenv(name);
    return v != nullptr ? v : "";
}

// In a version resource every String and Var is a small header, its key with a terminator,
// padding to four bytes, then the value; the resource itself starts four-byte aligned.
std::wstring version_value(const std::wstring& info, const std::wstring& key) {
    std::size_t at = info.find(key + L'\0');
    if (at == std::wstring::npos)
        return L"(no " + key + L")";
    at += key.size() + 1;
    at += at % 2;
    return info.substr(at, info.find(L'\0', at) - at);
}

void expect_version(const std::string& exe, const std::wstring& file_name, const CalledFrom& = {}) {
    SCOPED_TRACE(exe);
    PeFile pe = read_pe(exe);
    std::wstring info;
    for (const auto& r : resources(pe))
        if (r.type == L"16" && r.name == 1) {
            ASSERT_TRUE(info.empty()) << "more than one version resource";
            ASSERT_GE(pe.bytes.size(), r.offset + r.size);
            info.resize(r.size / 2);
            std::memcpy(&info[0], pe.bytes.data() + r.offset, info.size() * 2);
        }
    // Header, L"VS_VERSION_INFO" with its terminator and two bytes of padding, then the
    // fixed part.
    const std::size_t fixed_at = 40;
    ASSERT_GE(info.size() * 2, fixed_at + sizeof(VS_FIXEDFILEINFO)) << "no version resource";
    EXPECT_EQ(info.substr(3, 16), std::wstring(L"VS_VERSION_INFO", 16));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, info.data() + fixed_at / 2, sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);

    unsigned part[4] = {};
    ASSERT_GE(std::sscanf(PLINKETT_PROJECT_VERSION, "%u.%u.%u.%u", &part[0], &part[1], &part[2],
                          &part[3]),
              1);
    EXPECT_EQ(fixed.dwFileVersionMS, part[0] << 16 | part[1]);
    EXPECT_EQ(fixed.dwFileVersionLS, part[2] << 16 | part[3]);
    EXPECT_EQ(fixed.dwProductVersionMS, fixed.dwFileVersionMS);
    EXPECT_EQ(fixed.dwProductVersionLS, fixed.dwFileVersionLS);

    const std::string text = PLINKETT_PROJECT_VERSION;
    const std::wstring version(text.begin(), text.end());
    EXPECT_EQ(version_value(info, L"FileVersion"), version);
    EXPECT_EQ(version_value(info, L"ProductVersion"), version);
    EXPECT_EQ(version_value(info, L"OriginalFilename"), file_name);
    EXPECT_EQ(version_value(info, L"ProductName"), L"Plinkett");
    // The shell reads the strings of the block that the translation names: Japanese, UTF-16.
    EXPECT_NE(info.find(L"041104b0"), std::wstring::npos);
    EXPECT_EQ(version_value(info, L"Translation").substr(0, 2), std::wstring(L"\x0411\x04b0"));
}

} // namespace

TEST(ExecutableLayout, ShippedTimerHoldsTheBlockAtItsFileOffset) {
    expect_block_in_place(env("PLINKETT_SHIPPED_DIR") + "/Plinkett.exe");
}

TEST(ExecutableLayout, TestedTimerHoldsTheBlockAtItsFileOffset) {
    expect_block_in_place(env("PLINKETT_BUILD_DIR") + "/Plinkett.exe");
}

TEST(ExecutableLayout, ShippedTimerHasItsResources) {
    PeFile pe = read_pe(env("PLINKETT_SHIPPED_DIR") + "/Plinkett.exe");
    auto all = resources(pe);
    auto count = [&](const std::wstring& type) {
        int n = 0;
        for (auto& r : all)
            n += r.type == type;
        return n;
    };
    EXPECT_EQ(count(L"3"), 6);  // icon images of group 102
    EXPECT_EQ(count(L"14"), 1); // the icon group
    EXPECT_EQ(count(L"2"), 3);  // bitmaps 110, 111, 112
    EXPECT_EQ(count(L"24"), 1); // manifest
    EXPECT_EQ(pe.at<WORD>(pe.at<IMAGE_DOS_HEADER>(0).e_lfanew + 4), IMAGE_FILE_MACHINE_I386);

    // The loader agrees with the walk: the data it hands out are the shipped bytes.
    std::wstring path = L"Z:";
    for (char c : env("PLINKETT_SHIPPED_DIR") + "/Plinkett.exe")
        path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC res = FindResourceExW(module, L"BINARY", MAKEINTRESOURCEW(101),
                                MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT));
    ASSERT_NE(res, nullptr);
    EXPECT_EQ(SizeofResource(module, res), settings_block::block_size);
    const void* data = LockResource(LoadResource(module, res));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(0, std::memcmp(data, settings_block::shipped, settings_block::block_size));
    for (int id : {110, 111, 112})
        EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(id), RT_BITMAP), nullptr) << id;
    EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(102), RT_GROUP_ICON), nullptr);
    FreeLibrary(module);
}

TEST(ExecutableLayout, BothProgramsCarryTheProjectVersion) {
    expect_version(env("PLINKETT_SHIPPED_DIR") + "/Plinkett.exe", L"Plinkett.exe");
    expect_version(env("PLINKETT_SHIPPED_DIR") + "/PlinkettProperty.exe", L"PlinkettProperty.exe");
}

// The runtime's exception and terminate handling, which the programs never need, doubled them
// once: both within budget and without its messages.
TEST(ExecutableLayout, BothProgramsStayWithinBudgetAndTheirManifestsAskForPerMonitorDpiAwareness) {
    for (const auto& [name, budget] :
         {std::pair{"/Plinkett.exe", 160 * 1024}, {"/PlinkettProperty.exe", 64 * 1024}}) {
        SCOPED_TRACE(name);
        PeFile pe = read_pe(env("PLINKETT_SHIPPED_DIR") + name);
        EXPECT_LE(pe.bytes.size(), std::size_t(budget));
        const std::string image(pe.bytes.begin(), pe.bytes.end());
        for (const char* runtime : {"terminate called after throwing", "__concurrence_lock_error"})
            EXPECT_EQ(image.find(runtime), std::string::npos) << runtime;
        std::string manifest;
        for (const auto& r : resources(pe))
            if (r.type == L"24" && r.name == 1) {
                ASSERT_GE(pe.bytes.size(), r.offset + r.size);
                manifest.assign(reinterpret_cast<const char*>(pe.bytes.data()) + r.offset, r.size);
            }
        ASSERT_FALSE(manifest.empty()) << "no manifest 1";
        auto has = [&](const char* text) { return manifest.find(text) != std::string::npos; };
        EXPECT_TRUE(has("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">"));
        EXPECT_TRUE(has("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/"
                        "WindowsSettings\">PerMonitorV2, PerMonitor</dpiAwareness>"));
        EXPECT_TRUE(has("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/"
                        "WindowsSettings\">true/pm</dpiAware>"));
        EXPECT_TRUE(has("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
        EXPECT_TRUE(has("<requestedExecutionLevel level=\"asInvoker\""));
    }
}
