#include "tabpage_csjk.h"

#include "ProfileFile.h"
#include "Runtime.h"
#include "WindowState.h"

tabpage_csjk::tabpage_csjk(Runtime& runtime, const WindowState& state, const ProfileFile& profile,
                           QWidget* parent)
    : QWidget(parent), m_runtime(runtime), m_state(state), m_profile(profile) {
    setObjectName("tabpage_csjk");
}
