// The system information and system services dialogs.
#include <gtest/gtest.h>

#include "../../../halvo/res/resource.h"
#include "panelrun.h"
#include "regvalues.h"

namespace {

using ce::test::BootedImage;
using ce::test::PanelRun;

using ce::test::TextOf;

std::vector<BYTE> InfoRecord(BYTE major, BYTE minor, WORD build, std::u16string_view user) {
    std::vector<BYTE> rec(708, 0);
    for (size_t i = 0; i < user.size(); ++i) {
        rec[2 * i] = BYTE(user[i] & 0xFF);
        rec[2 * i + 1] = BYTE(user[i] >> 8);
    }
    rec[704] = major;
    rec[705] = minor;
    rec[706] = BYTE(build & 0xFF);
    rec[707] = BYTE(build >> 8);
    return rec;
}

void WriteInfo(const BootedImage& device, const std::vector<BYTE>& rec) {
    ce::test::WriteTextFile(device.dir() / "fs" / "Windows" / "info.civ", std::string(rec.begin(), rec.end()));
}

std::optional<std::u16string> RegText(const char16_t* path, const char16_t* name) {
    return ce::test::RegText(HKEY_LOCAL_MACHINE, path, name);
}
std::optional<DWORD> RegDword(const char16_t* path, const char16_t* name) {
    return ce::test::RegDword(HKEY_LOCAL_MACHINE, path, name);
}
void SetRegText(const char16_t* path, const char16_t* name, const std::u16string& text) {
    ASSERT_TRUE(ce::test::SetRegText(HKEY_LOCAL_MACHINE, path, name, text));
}

const char16_t* kFtp = u"Comm\\FTPD";
const char16_t* kWeb = u"Comm\\HTTPD\\VROOTS\\/";

// Each dialog reads the record or the values each time it opens.
TEST(SystemDialogs, InformationShowsTheRecordAndTheMacServiceWritesOnOkAndSkipsMissingKeys) {
    BootedImage device("eeprom.mac = 12-34-56-78-9A-BC\n");
    WriteInfo(device, InfoRecord(3, 5, 0x0102, u"Line operator"));
    ASSERT_TRUE(ce::test::SetRegDword(HKEY_LOCAL_MACHINE, kFtp, u"IsEnabled", 2));
    std::u16string longText(255, u'd');
    SetRegText(kFtp, u"UserList", longText);

    PanelRun run;
    HWND dlg = run.OpenDialog(IDC_SYSTEMINFO);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(TextOf(dlg, IDC_SYSINFO_MAC), "12-34-56-78-9A-BC");
    std::string info = TextOf(dlg, IDC_SYSINFO_VERSION);
    EXPECT_EQ(info.rfind("User:Line operator\r\n\r\nVersion: 3.5.258\r\n\r\nImage version: \r\n", 0), 0u) << info;
    EXPECT_NE(info.find("\r\n\r\nTeplate: "), std::string::npos);
    run.TapControl(dlg, IDOK);
    EXPECT_EQ(run.Top(), run.panel());

    // A user field that fills its whole space is cut at its end.
    WriteInfo(device, InfoRecord(1, 0, 0, std::u16string(128, u'x')));
    dlg = run.OpenDialog(IDC_SYSTEMINFO);
    EXPECT_NE(TextOf(dlg, IDC_SYSINFO_VERSION).find("User:" + std::string(128, 'x') + "\r\n"), std::string::npos);
    run.Key(VK_ESCAPE);
    std::filesystem::remove(device.dir() / "fs" / "Windows" / "info.civ");
    dlg = run.OpenDialog(IDC_SYSTEMINFO);
    EXPECT_EQ(TextOf(dlg, IDC_SYSINFO_VERSION), "");
    run.Key(VK_ESCAPE);

    dlg = run.OpenDialog(IDC_SYSTEMSERVICE);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(TextOf(dlg, IDC_SERVICE_WEBDIR), "\\Windows\\www\\wwwpub");
    EXPECT_EQ(TextOf(dlg, IDC_SERVICE_USERLIST), std::string(255, 'd'));
    EXPECT_EQ(SendMessage(GetDlgItem(dlg, IDC_SERVICE_FTPON), BM_GETCHECK, 0, 0), BST_CHECKED);
    run.TapControl(dlg, IDOK);
    // The switch normalised; 255 characters survive whole.
    EXPECT_EQ(RegDword(kFtp, u"IsEnabled"), 1u);
    EXPECT_EQ(RegText(kFtp, u"UserList"), longText);
    EXPECT_EQ(RegText(kFtp, u"DefaultDir"), u"\\Temp\\");
    EXPECT_EQ(RegText(kWeb, u"default"), u"\\Windows\\www\\wwwpub");

    // A stored text longer than the buffer reads cut at its end; the fields
    // take at most 255 characters; Cancel writes nothing.
    SetRegText(kFtp, u"DefaultDir", std::u16string(300, u'z'));
    dlg = run.OpenDialog(IDC_SYSTEMSERVICE);
    EXPECT_EQ(TextOf(dlg, IDC_SERVICE_FTPDIR), std::string(255, 'z'));
    EXPECT_EQ(SendMessage(GetDlgItem(dlg, IDC_SERVICE_WEBDIR), EM_GETLIMITTEXT, 0, 0), 255);
    run.TapControl(dlg, IDC_SERVICE_FTPON);
    run.TapControl(dlg, IDCANCEL);
    EXPECT_EQ(RegDword(kFtp, u"IsEnabled"), 1u);
    EXPECT_EQ(RegText(kFtp, u"DefaultDir"), std::u16string(300, u'z'));

    // A missing key is skipped, never created.
    ASSERT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"Comm\\HTTPD"), ERROR_SUCCESS);
    dlg = run.OpenDialog(IDC_SYSTEMSERVICE);
    EXPECT_EQ(TextOf(dlg, IDC_SERVICE_WEBDIR), "");
    run.TapControl(dlg, IDOK);
    EXPECT_FALSE(RegText(kWeb, u"default"));
    EXPECT_EQ(RegDword(kFtp, u"IsEnabled"), 1u);
}

TEST(SystemInformation, AShortFileReadsZerosAndNoBusNoMac) {
    BootedImage device("I2C0 = absent\n");
    // A record cut short: the missing bytes read as zero.
    auto rec = InfoRecord(1, 2, 3, u"abc");
    rec.resize(100);
    WriteInfo(device, rec);
    PanelRun run;
    HWND dlg = run.OpenDialog(IDC_SYSTEMINFO);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(TextOf(dlg, IDC_SYSINFO_MAC), "00-00-00-00-00-00");
    EXPECT_NE(TextOf(dlg, IDC_SYSINFO_VERSION).find("User:abc\r\n\r\nVersion: 0.0.0"), std::string::npos);
    run.Key(VK_ESCAPE);
}

}  // namespace
