#include "ui/AboutDlg.h"

#include <vector>

#include "base/VersionInfo.h"
#include "resource.h"

namespace flipdeck {

namespace {

// The template text has four lines: title, version label, copyright placeholder and rights.
// The label gets the version appended and the placeholder becomes the copyright.
std::string FormatAboutText(const std::string& templateText, const std::string& version,
                            const std::string& copyright)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = templateText.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(templateText.substr(start, end - start));
    lines.push_back(templateText.substr(start));
    if (lines.size() != 4)
        return templateText;
    return lines[0] + "\n" + lines[1] + " " + version + "\n" + copyright + "\n" + lines[3];
}

}  // namespace

CAboutDlg::CAboutDlg(HWND parent) : CDialog(IDD_ABOUTBOX, parent) {}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The title and rights lines stay in the template, which the language library translates.
    CVersionInfo info;
    if (info.Open())
        SetItemText(IDC_ABOUT_TEXT,
                    FormatAboutText(GetItemText(IDC_ABOUT_TEXT), info.GetProductVersion(), info.GetLegalCopyright()));
    return TRUE;
}

}  // namespace flipdeck
