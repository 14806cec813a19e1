#include "catalogue/UserInterface.h"

#include "base/LocalizedString.h"

namespace flipdeck {

int SingleSelection(UserInterface& ui, const std::vector<int>& selected)
{
    if (selected.size() > 1)
        ui.ShowMessage(LoadLocalizedString(IDS_SELECT_ONE_ONLY), MB_ICONINFORMATION | MB_OK);
    return selected.size() == 1 ? selected[0] : -1;
}

}  // namespace flipdeck
