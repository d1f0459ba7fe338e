// Shows the away-text editor with the settings of the user it runs as, for looking at it
// by eye (scripts/screenshot-shell.sh).

#include "core/apppaths.h"
#include "settings/settings.h"
#include "shell/answeringdialog.h"
#include "shell/awaytexts.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const vantrel::AppPaths paths = vantrel::AppPaths::resolve();
    paths.createFolders();
    vantrel::Settings settings(paths.settingsFile);
    vantrel::AwayTexts texts(settings);
    vantrel::AnsweringDialog dialog(texts, settings);
    dialog.show();
    return app.exec();
}
