// Export and import of registry files through the file dialog: what lands in
// the file, what an import changes, and that a faulty file changes nothing.
#include "regfile.h"

#include <gtest/gtest.h>

#include "arbor.h"
#include "editorrun.h"
#include "testimage.h"

namespace {

using namespace ce::test;
using ce::regtext::KeyPath;

constexpr int kFileName = 1103;  // the name field of the file dialog

// Runs File › Export... or Import... and chooses `name` in the device's
// root folder.
void ChooseFile(EditorRun& run, int command, const std::u16string& name) {
    run.Command(command);
    HWND dlg = run.Top();
    ASSERT_NE(dlg, run.main());
    SetDlgItemText(dlg, kFileName, name.c_str());
    run.Key(VK_RETURN);
}

std::u16string Exported(const KeyPath& key) {
    std::u16string text;
    std::string error;
    EXPECT_EQ(ce::regtext::ExportKey(key, text, error), ce::regtext::Outcome::Ok) << error;
    return text;
}

// The operations a registry file asks for, as "key|value" lines.
std::vector<std::string> FileKeys(const std::filesystem::path& file) {
    std::vector<ce::regtext::Operation> ops;
    ce::regtext::ParseError error;
    EXPECT_TRUE(ce::regtext::ParseRegFile(ReadTextFile(file), ops, error)) << error.message;
    std::vector<std::string> out;
    for (const auto& op : ops)
        if (op.kind == ce::regtext::Operation::CreateKey) out.push_back(Narrow(ce::regtext::FullPath(op.key)));
    return out;
}

TEST(RegFile, ExportWritesTheSelectedKeyImportBringsItBackAndAFaultyFileChangesNothing) {
    BootedImage device;
    SetValue(HKEY_LOCAL_MACHINE, u"AImport", u"kept", REG_DWORD, {1, 0, 0, 0});
    SetValue(HKEY_LOCAL_MACHINE, u"AExport", u"top", REG_DWORD, {7, 0, 0, 0});
    SetValue(HKEY_LOCAL_MACHINE, u"AExport\\Inner", u"text", REG_SZ, Utf16Bytes(std::u16string(u"x") + u'\0'));
    const KeyPath key{HKEY_LOCAL_MACHINE, u"AExport"};
    const std::u16string before = Exported(key);
    EditorRun run;
    run.Show({"HKEY_LOCAL_MACHINE", "AExport"});
    ChooseFile(run, IDM_FILE_EXPORT, u"part");  // the dialog adds ".reg"
    EXPECT_EQ(run.Top(), run.main());
    const auto file = device.dir() / "fs" / "part.reg";
    EXPECT_EQ(FileKeys(file),
              (std::vector<std::string>{"HKEY_LOCAL_MACHINE\\AExport", "HKEY_LOCAL_MACHINE\\AExport\\Inner"}));

    // Another program deletes the key; the import brings it back exactly,
    // and the tree shows it again.
    ASSERT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"AExport"), ERROR_SUCCESS);
    run.Key(VK_F5);
    HTREEITEM hklm = run.Find(run.Root(), "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(run.Find(hklm, "AExport"), nullptr);
    ChooseFile(run, IDM_FILE_IMPORT, u"part.reg");
    EXPECT_EQ(MessageOf(run.Top()), "\\part.reg\nIts keys and values have been imported.");
    run.Key(VK_RETURN);
    EXPECT_EQ(Exported(key), before);
    EXPECT_NE(run.Find(hklm, "AExport"), nullptr);

    // From "My Device": every root.
    run.Select(run.Root());
    ChooseFile(run, IDM_FILE_EXPORT, u"all.reg");
    std::vector<std::string> roots;
    for (const std::string& k : FileKeys(device.dir() / "fs" / "all.reg"))
        if (k.find('\\') == std::string::npos) roots.push_back(k);
    EXPECT_EQ(roots,
              (std::vector<std::string>{"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS"}));

    // A faulty file changes nothing, and its message names the line.
    const KeyPath imported{HKEY_LOCAL_MACHINE, u"AImport"};
    const std::u16string kept = Exported(imported);
    // Line 4 is fine, line 5 is not: nothing of the file may land.
    WriteTextFile(device.dir() / "fs" / "bad.reg",
                  "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\AImport]\n\"kept\"=dword:00000002\n"
                  "\"broken\"=dword:xyz\n");
    // A file whose last operation the registry refuses (a whole root).
    WriteTextFile(device.dir() / "fs" / "root.reg",
                  "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\AImport]\n\"kept\"=dword:00000003\n\n[-HKEY_LOCAL_MACHINE]\n");
    run.Show({"HKEY_LOCAL_MACHINE", "AImport"});
    for (auto [file, line] : {std::pair{u"bad.reg", "line 5: "}, std::pair{u"root.reg", "line 6: "}}) {
        ChooseFile(run, IDM_FILE_IMPORT, file);
        const std::string text = MessageOf(run.Top());
        EXPECT_EQ(text.rfind("Import of \\" + Narrow(file) + " failed:\n" + line, 0), 0u) << text;
        EXPECT_NE(text.find("Nothing was imported."), std::string::npos) << text;
        run.Key(VK_RETURN);
        EXPECT_EQ(Exported(imported), kept);
        EXPECT_EQ(run.Cell(0, 1), "1");
    }

    // Exporting a key that another program deleted meanwhile says so and
    // writes no file.
    ASSERT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"AImport"), ERROR_SUCCESS);
    ChooseFile(run, IDM_FILE_EXPORT, u"gone.reg");
    EXPECT_EQ(MessageOf(run.Top()), "Export to \\gone.reg failed:\nkey not found: HKEY_LOCAL_MACHINE\\AImport");
    run.Key(VK_RETURN);
    EXPECT_FALSE(std::filesystem::exists(device.dir() / "fs" / "gone.reg"));
}

}  // namespace
