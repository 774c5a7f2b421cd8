#include "app/w_set_xtmk_back.h"
#include "services/Runtime.h"
#include "services/ui/QtPromptService.h"
#include "services/ui/Resources.h"
#include "services/ui/SongFont.h"

#include <QApplication>
#include <QIcon>

// Start-up: build the runtime context, open the main window modally, end with 0 when it
// closes. Command-line arguments have no effect; several copies may run at once.
int main(int argc, char* argv[]) {
    // Only the program name reaches Qt, so not even Qt's own options change anything.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("varnoset"));
    initVarnosetResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/bmp/app.png")));
    SongFont::install();
    QApplication::setFont(SongFont::font());

    QtPromptService prompts;
    Runtime runtime(prompts);
    w_set_xtmk_back window(runtime);
    window.exec();
    runtime.popup.gf_closehelp();
    return 0;
}
