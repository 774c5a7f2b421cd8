#include "tabpage_ljsz.h"

#include "ProfileFile.h"
#include "Runtime.h"
#include "WindowState.h"

tabpage_ljsz::tabpage_ljsz(Runtime& runtime, WindowState& state, const ProfileFile& profile,
                           QWidget* parent)
    : QWidget(parent), m_runtime(runtime), m_state(state), m_profile(profile) {
    setObjectName("tabpage_ljsz");
}
