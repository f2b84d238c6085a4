// TForm1 and the 3D view: opening it on the game folder's player model, keeping its skin the
// one the preview composes and its saved views named after the skin, and reading the
// catalogue again on the view's F5 as on the main window's.
#include <QLineEdit>

#include "app/desktop_services.h"
#include "app/failure_reporting.h"
#include "app/form1.h"
#include "app/model_view_window.h"
#include "model/model_errors.h"
#include "model/player_model.h"

namespace vestura {

namespace {
constexpr std::string_view kModelCaption = "Vestura";
}  // namespace

void TForm1::openModelView() {
    runGuarded(services_, [this] {
        Mesh mesh;
        try {
            mesh = loadPlayerModel(gameFolder());
        } catch (const EModelError& e) {
            services_.showMessage(e.message(), std::string(kModelCaption), mb::kWarning);
            return;
        }
        if (modelView_ == nullptr) {
            modelView_ = new ModelViewWindow(services_, chooseViewFile, this);
            connect(modelView_, &ModelViewWindow::reloadRequested, this,
                    &TForm1::FormReloadCatalogue);
            // A name typed while the view is open changes no skin, so refreshModelView()
            // does not run for it.
            connect(Edit2, &QLineEdit::textChanged, modelView_,
                    [this](const QString& typed) { modelView_->setSkinName(typed.trimmed()); });
        }
        modelView_->setModel(std::move(mesh));
        modelView_->show();
        refreshModelView();
        modelView_->raise();
        modelView_->activateWindow();
    });
}

void TForm1::refreshModelView() {
    if (modelView_ == nullptr || !modelView_->isVisible()) {
        return;
    }
    runGuarded(services_, [this] {
        // A part that fails to draw is the preview's to report, when it paints.
        std::vector<std::string> ignored;
        modelView_->setSkin(preview_.renderSkin(ignored));
        modelView_->setSkinName(Edit2->text().trimmed());
    });
}

}  // namespace vestura
