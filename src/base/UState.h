#pragma once

#include <QString>

#include <functional>

// The interaction states of the main window. Exactly one object of each state
// exists for the whole run; CurrentState and PreviousState point at them.
class TState
{
public:
    virtual ~TState();

    // Set each time the state is entered; empty until then.
    QString Name;
    // The main window's reaction to the state; may be unset.
    std::function<void(TState *)> OnChange;

    virtual void Enter() = 0;
    // Calls OnChange with this state, when set.
    void Changed();

protected:
    void enterAs(const QString &name);
};

class TStateInitial : public TState
{
public:
    void Enter() override;
};

class TStateNavigatePageControl : public TState
{
public:
    void Enter() override;
};

class TStateNavigateTreeView : public TState
{
public:
    void Enter() override;
};

class TStateEdit : public TState
{
public:
    void Enter() override;
};

class TStateEditSettings : public TState
{
public:
    void Enter() override;
};

extern TState *CurrentState;
extern TState *PreviousState;

TStateInitial &StateInitial();
TStateEdit &StateEdit();
TStateEditSettings &StateEditSettings();
TStateNavigateTreeView &StateNavigateTreeView();
TStateNavigatePageControl &StateNavigatePageControl();

// Enters the state (calls its Enter).
void SetState(TState &state);

// Reactions run only once the main window exists.
void SetMainWindowExists(bool exists);

// Back to the condition before the first state was entered: no current or
// previous state, empty names, no reactions. The main window calls it when it
// is created, so every window starts from the same point.
void ResetStates();
