#pragma once

// Header-only, as TestDatabase.h: only the tests that link the tool's window include it.

#include "app/tab_1.h"
#include "app/w_set_xtmk_back.h"
#include "services/Runtime.h"
#include "services/ui/Resources.h"
#include "services/ui/SongFont.h"
#include "tests/support/RecordingPromptService.h"
#include "tests/support/TestDatabase.h"

#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

// What a window test needs before its first case: the tool's pictures, its font and the
// server. Empty on success, otherwise why the server did not start.
inline QString prepareWindowTests(TestServer& server) {
    initVarnosetResources();
    SongFont::install();
    return server.start() ? QString() : server.errorText();
}

// The tool's window as a user meets it: its prompts recorded, its pbbook.ini in a folder of
// its own (never the build tree).
struct ToolWindow {
    QTemporaryDir dir;
    RecordingPromptService prompts;
    Runtime runtime{prompts};
    w_set_xtmk_back window{runtime, profile()};

    ToolWindow() = default;
    // With `entries` in pbbook.ini before the window is built: page 2 reads the file then.
    explicit ToolWindow(const QList<ProfileFile::Entry>& entries)
        : window{runtime, profile(entries)} {}

    tab_1* tabs() const { return window.tab_1; }

    // A click on a page's tab.
    void clickTab(int index) {
        QTabBar* bar = window.tab_1->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }

    // The window shown and active. False, with a warning, when it does not become active.
    bool show() {
        window.show();
        if (QTest::qWaitForWindowActive(&window))
            return true;
        qWarning() << "the window did not become active";
        return false;
    }

    // sqlca logged in as sa to `database` and the window shown, as page 2's connect-and-save
    // leaves them (isiflj "1"). False, with the reason in a warning, when either fails.
    bool connectAndShow(const TestServer& server, const QString& database,
                        bool autoCommit = false) {
        configureSa(runtime.sqlca, server, database);
        runtime.sqlca.AutoCommit = autoCommit;
        if (runtime.sqlca.connect() != 0) {
            qWarning() << "connect:" << runtime.sqlca.SQLErrText;
            return false;
        }
        window.state.isiflj = QStringLiteral("1");
        return show();
    }

  private:
    ProfileFile profile(const QList<ProfileFile::Entry>& entries = {}) const {
        const ProfileFile file(QStringLiteral("pbbook.ini"), dir.path());
        if (entries.isEmpty())
            return file;
        if (const ProfileFile::WriteResult stored = file.store(entries); !stored)
            qWarning() << "pbbook.ini:" << stored.error;
        return file;
    }
};
