// The framework's file dialog: its filter notation and the parts of the
// chosen path (running it is seen with the registry dialog).
#include <afxdlgs.h>
#include <gtest/gtest.h>

namespace {

class Chooser : public CFileDialog {
public:
    using CFileDialog::CFileDialog;
    void Chose(const char16_t* path) {
        std::u16string(path).copy(m_ofn.lpstrFile, MAX_PATH - 1);
        m_ofn.lpstrFile[std::char_traits<char16_t>::length(path)] = 0;
    }
};

TEST(CFileDialogParts, FilterBarsBecomeNulsAndThePathSplits) {
    Chooser dlg(FALSE, NULL, NULL, OFN_HIDEREADONLY, _T("Text Files(*.bak)|*.bak|All Files(*.*)|*.*||"));
    const char16_t want[] = u"Text Files(*.bak)\0*.bak\0All Files(*.*)\0*.*\0";
    ASSERT_NE(dlg.m_ofn.lpstrFilter, nullptr);
    EXPECT_EQ(std::u16string(dlg.m_ofn.lpstrFilter, sizeof want / 2), std::u16string(want, sizeof want / 2));
    EXPECT_EQ(dlg.m_ofn.Flags, static_cast<DWORD>(OFN_HIDEREADONLY));
    EXPECT_EQ(dlg.m_ofn.lpstrDefExt, nullptr);
    EXPECT_EQ(dlg.m_ofn.lpstrFile[0], 0);

    dlg.Chose(u"\\StorageCard\\sub\\reg.2024.bak");
    EXPECT_EQ(std::u16string(dlg.GetPathName()), u"\\StorageCard\\sub\\reg.2024.bak");
    EXPECT_EQ(std::u16string(dlg.GetFileName()), u"reg.2024.bak");
    EXPECT_EQ(std::u16string(dlg.GetFileExt()), u"bak");
    EXPECT_EQ(std::u16string(dlg.GetFileTitle()), u"reg.2024");
    dlg.Chose(u"\\Temp\\plain");
    EXPECT_EQ(std::u16string(dlg.GetFileExt()), u"");
    EXPECT_EQ(std::u16string(dlg.GetFileTitle()), u"plain");
}

}  // namespace
