#include "cli/ConsoleUi.h"

#include "base/LocalizedString.h"
#include "cli/PreviewListing.h"

namespace flipdeck {

namespace {

class PrintedProgress : public SwitchProgress {
public:
    explicit PrintedProgress(ConsoleOutput& output) : output_(output) {}
    void StepStarting(size_t number, size_t count, const std::string& description) override
    {
        output_.WriteLine(OutputStream::Out,
                          FormatLocalized(IDS_PROGRESS_STEP, {std::to_string(number), std::to_string(count), description}));
    }

private:
    ConsoleOutput& output_;
};

}  // namespace

int LeastChangingAnswer(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_ABORTRETRYIGNORE:
        return IDABORT;
    case MB_OKCANCEL:
    case MB_RETRYCANCEL:
    case MB_YESNOCANCEL:
    case MB_CANCELTRYCONTINUE:
        return IDCANCEL;
    case MB_YESNO:
        return IDNO;
    default:
        return IDOK;
    }
}

int ConsoleUi::ShowMessage(const std::string& text, UINT type, const std::string&)
{
    if ((type & MB_ICONMASK) == MB_ICONINFORMATION)
        held_ += text + "\n";
    else
        output_.WriteLine(OutputStream::Error, text);
    return LeastChangingAnswer(type);
}

void ConsoleUi::Release(OutputStream stream)
{
    output_.Write(stream, held_);
    held_.clear();
}

void ConsoleUi::RunWithProgress(const std::function<void(SwitchProgress&)>& work)
{
    PrintedProgress progress(output_);
    work(progress);
}

void ConsoleUi::ShowSteps(const SwitchPreview& preview)
{
    if (!json_) {
        output_.Write(OutputStream::Out, PreviewText(preview));
        return;
    }
    if (!preview.notice.empty())
        held_ += preview.notice + "\n";
    output_.Write(OutputStream::Out, PreviewJson(preview));
}

}  // namespace flipdeck
