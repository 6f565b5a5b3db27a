#include "widgets/main_view.h"

TProgressCallback TransformProgress(IMainView& view) {
    return [&view](TImageTransform&, int percent) {
        if (percent >= 100)
            view.EndProgress();
        else
            view.StepProgress(percent);
    };
}

void ShowPleaseSelectAnImage(IDialogs& dialogs, QWidget* parent) {
    dialogs.Message(parent, "Error", "Please select an image.", TMsgIcon::Warning, mbOK);
}
