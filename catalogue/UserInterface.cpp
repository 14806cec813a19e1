#include "catalogue/UserInterface.h"

#include "base/LocalizedString.h"

namespace flipdeck {

std::string SwitchPreview::Introduction() const { return notice.empty() ? heading : notice + "\n\n" + heading; }

std::vector<std::string> SwitchPreview::Descriptions() const
{
    std::vector<std::string> descriptions;
    for (const PreviewStep& step : steps)
        descriptions.push_back(step.description);
    return descriptions;
}

int SingleSelection(UserInterface& ui, const std::vector<int>& selected)
{
    if (selected.size() > 1)
        ui.ShowMessage(LoadLocalizedString(IDS_SELECT_ONE_ONLY), MB_ICONINFORMATION | MB_OK);
    return selected.size() == 1 ? selected[0] : -1;
}

}  // namespace flipdeck
