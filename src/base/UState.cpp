#include "UState.h"

TState *CurrentState = nullptr;
TState *PreviousState = nullptr;

namespace {

bool g_mainWindowExists = false;

// Created in this order when the program starts and kept to its end.
struct States
{
    TStateInitial initial;
    TStateEdit edit;
    TStateEditSettings editSettings;
    TStateNavigateTreeView navigateTreeView;
    TStateNavigatePageControl navigatePageControl;
};

States &states()
{
    static States s;
    return s;
}

} // namespace

TState::~TState() = default;

void TState::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TState::enterAs(const QString &name)
{
    Name = name;
    PreviousState = CurrentState;
    CurrentState = this;
    if (g_mainWindowExists)
        Changed();
}

void TStateInitial::Enter()
{
    Name = QStringLiteral("Initial");
    PreviousState = this;
    CurrentState = this;
    if (g_mainWindowExists)
        Changed();
}

void TStateNavigatePageControl::Enter() { enterAs(QStringLiteral("NavigatePageControl")); }

void TStateNavigateTreeView::Enter() { enterAs(QStringLiteral("NavigateTreeView")); }

void TStateEdit::Enter() { enterAs(QStringLiteral("Edit")); }

void TStateEditSettings::Enter()
{
    // Entered again while already in force (a second "Anpassen..."): keep the
    // state from before the settings, so leaving the settings returns there
    // instead of staying in the settings state for good.
    if (CurrentState == this) {
        Name = QStringLiteral("EditSettings");
        if (g_mainWindowExists)
            Changed();
        return;
    }
    enterAs(QStringLiteral("EditSettings"));
}

TStateInitial &StateInitial() { return states().initial; }
TStateEdit &StateEdit() { return states().edit; }
TStateEditSettings &StateEditSettings() { return states().editSettings; }
TStateNavigateTreeView &StateNavigateTreeView() { return states().navigateTreeView; }
TStateNavigatePageControl &StateNavigatePageControl() { return states().navigatePageControl; }

void SetState(TState &state) { state.Enter(); }

void SetMainWindowExists(bool exists) { g_mainWindowExists = exists; }

void ResetStates()
{
    CurrentState = nullptr;
    PreviousState = nullptr;
    States &s = states();
    for (TState *st : { static_cast<TState *>(&s.initial), static_cast<TState *>(&s.edit),
             static_cast<TState *>(&s.editSettings), static_cast<TState *>(&s.navigateTreeView),
             static_cast<TState *>(&s.navigatePageControl) }) {
        st->Name.clear();
        st->OnChange = nullptr;
    }
}
