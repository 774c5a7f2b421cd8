#pragma once

#include "services/platform/Platform.h"
#include "services/sql/BlockingCall.h"
#include "services/sql/Transaction.h"
#include "services/ui/ProgressPopup.h"
#include "services/ui/PromptService.h"

// The runtime context the window and every page work through: the one transaction `sqlca`,
// the prompt seam, the progress popup and the machine. Built once by main (or by a test).
// `blocking` runs the long calls and knows whether one is in flight; declared before `sqlca`,
// which calls through it.
class Runtime {
  public:
    explicit Runtime(PromptService& prompts) : prompts(prompts) {
        // Once the user has closed the window during a call, no box may hold the program up.
        blocking.setQuitHandler([this] { this->prompts.silence(); });
    }
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    BlockingCall blocking;
    Transaction sqlca{&blocking};
    PromptService& prompts;
    ProgressPopup popup;
    Platform platform;

    void t_f_ok(const QString& messagestr, const QString& detail = QString()) {
        prompts.t_f_ok(messagestr, detail);
    }
    void gf_sethelp(const QString& psmess) { popup.gf_sethelp(psmess); }
    void gf_closehelp() { popup.gf_closehelp(); }
};
