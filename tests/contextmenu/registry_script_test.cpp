#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "contextmenu/registry_script.h"

namespace {

// One line per key: path, flag, default value and named values, flattened in
// script order so that a whole script compares as one list.
void Flatten(const std::vector<RegistryScriptKey>& keys, const std::string& parent, std::vector<std::string>* out) {
    for (const RegistryScriptKey& key : keys) {
        const std::string path = parent.empty() ? key.name : parent + "\\" + key.name;
        std::string line = path + " |";
        switch (key.flag) {
        case RegistryKeyFlag::kNoRemove: line += " NoRemove"; break;
        case RegistryKeyFlag::kForceRemove: line += " ForceRemove"; break;
        case RegistryKeyFlag::kDelete: line += " Delete"; break;
        case RegistryKeyFlag::kNone: break;
        }
        if (key.hasDefault) line += " = " + key.defaultValue.text;
        for (const auto& value : key.values) line += " | " + value.first + " = " + value.second.text;
        out->push_back(line);
        Flatten(key.children, path, out);
    }
}

std::string ReadSourceFile(const char* relative) {
    std::ifstream file(std::string(ORVANE_SOURCE_ROOT) + "/" + relative, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(RegistryScript, ShippedScriptDescribesTheClassRegistration) {
    std::vector<RegistryScriptRoot> roots;
    std::string error;
    ASSERT_TRUE(ParseRegistryScript(ReadSourceFile("contextmenu/tilmar.rgs"),
                                    {{"MODULE", "C:\\Bob's Files\\Tilmar64.dll"}}, &roots, &error))
        << error;
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_EQ(roots[0].root, "HKEY_CLASSES_ROOT");
    std::vector<std::string> lines;
    Flatten(roots[0].keys, "", &lines);
    const std::string clsid = "{9061A1F6-6F41-418e-9B9F-3BCB2DDF79F1}";
    const std::string cls = "CLSID\\" + clsid;
    const std::string command = "{8506D589-0B0E-4F84-853C-8FD5B5F32CC1}";
    const std::vector<std::string> expected = {
        "Tilmar.ContextMenuExt.1 | = ContextMenuExt Class",
        "Tilmar.ContextMenuExt.1\\CLSID | = " + clsid,
        "Tilmar.ContextMenuExt | = ContextMenuExt Class",
        "Tilmar.ContextMenuExt\\CLSID | = " + clsid,
        "Tilmar.ContextMenuExt\\CurVer | = Tilmar.ContextMenuExt.1",
        "CLSID | NoRemove",
        cls + " | ForceRemove = ContextMenuExt Class",
        cls + "\\ProgID | = Tilmar.ContextMenuExt.1",
        cls + "\\VersionIndependentProgID | = Tilmar.ContextMenuExt",
        cls + "\\Programmable | ForceRemove",
        cls + "\\InprocServer32 | = C:\\Bob's Files\\Tilmar64.dll | ThreadingModel = Apartment",
        cls + "\\TypeLib | = {1CF1C09F-57BE-4D3E-9695-EDF611F597B0}",
        "CLSID\\" + command + " | ForceRemove = Orvane Explorer Command",
        "CLSID\\" + command + "\\InprocServer32 | = C:\\Bob's Files\\Tilmar64.dll | ThreadingModel = Apartment",
        "* | NoRemove",
        "*\\ShellEx | NoRemove",
        "*\\ShellEx\\ContextMenuHandlers | NoRemove",
        "*\\ShellEx\\ContextMenuHandlers\\OrvaneMenuExt | ForceRemove = " + clsid,
    };
    EXPECT_EQ(lines, expected);
}

TEST(RegistryScript, Syntax) {
    struct Case { const char* script; const char* flattened; };  // "" when the script is refused
    const Case cases[] = {
        {"HKLM { A = s 'x' }", "A | = x"},
        {"HKEY_CURRENT_USER { NoRemove A { Delete B } }", "A | NoRemove;A\\B | Delete"},
        {"HKCR { 'it''s' = s 'a''b' }", "it's | = a'b"},
        {"HKCR { A { val N = s '%MODULE%' val D = d '7' } }", "A | | N = C:\\m.dll | D = "},
        {"HKCR { A = s '100%%' }", "A | = 100%"},
        {"HKCR { noremove a { forceremove b } }", "a | NoRemove;a\\b | ForceRemove"},
        {"HKCR { 'val' = s 'key named val' }", "val | = key named val"},
        {"HKCR { A = s 'x' ", ""},              // unclosed block
        {"HKCR { A = s 'x }", ""},              // unterminated quote
        {"HKXX { A }", ""},                     // unknown root
        {"HKCR { A = s '%UNKNOWN%' }", ""},     // no such placeholder
        {"HKCR { A = s '%MODULE' }", ""},       // unterminated placeholder
        {"HKCR { A = x 'y' }", ""},             // unknown type
        {"HKCR { A = d 'many' }", ""},          // not a number
        {"HKCR { val N = s 'x' }", ""},         // a value needs a key
        {"HKCR { = s 'x' }", ""},               // a value needs a name
        {"HKCR { NoRemove }", ""},
    };
    for (const Case& c : cases) {
        std::vector<RegistryScriptRoot> roots;
        std::string error;
        const bool parsed = ParseRegistryScript(c.script, {{"MODULE", "C:\\m.dll"}}, &roots, &error);
        if (*c.flattened == '\0') {
            EXPECT_FALSE(parsed) << c.script;
            EXPECT_NE(error.find("line 1: "), std::string::npos) << c.script << " -> " << error;
            continue;
        }
        ASSERT_TRUE(parsed) << c.script << " -> " << error;
        std::vector<std::string> lines;
        for (const RegistryScriptRoot& root : roots) Flatten(root.keys, "", &lines);
        std::string joined;
        for (const std::string& line : lines) joined += (joined.empty() ? "" : ";") + line;
        EXPECT_EQ(joined, c.flattened) << c.script;
    }
}

TEST(RegistryScript, NumbersAndErrorLines) {
    std::vector<RegistryScriptRoot> roots;
    std::string error;
    ASSERT_TRUE(ParseRegistryScript("HKCR { A { val D = d '0x10' } }", {}, &roots, &error)) << error;
    ASSERT_EQ(roots[0].keys[0].values.size(), 1u);
    EXPECT_EQ(roots[0].keys[0].values[0].second.type, 'd');
    EXPECT_EQ(roots[0].keys[0].values[0].second.number, 16u);

    EXPECT_FALSE(ParseRegistryScript("HKCR\n{\n  A = s 'x'\n  B = q 'y'\n}\n", {}, &roots, &error));
    EXPECT_EQ(error.rfind("line 4: ", 0), 0u) << error;
}

}  // namespace
