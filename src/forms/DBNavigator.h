#pragma once

#include <QWidget>

class DataSet;
class QToolButton;

// The record navigator below the pages: First, Prior, Next, Last, Insert,
// Delete, Post and Cancel on the table it is bound to. It asks nothing
// before a delete itself; the table's before-delete event does.
class DBNavigator : public QWidget
{
    Q_OBJECT

public:
    enum Button {
        nbFirst = 0,
        nbPrior,
        nbNext,
        nbLast,
        nbInsert,
        nbDelete,
        nbPost,
        nbCancel,
        nbCount
    };
    static constexpr int AllButtons = (1 << nbCount) - 1;
    static constexpr int MoveButtons
        = (1 << nbFirst) | (1 << nbPrior) | (1 << nbNext) | (1 << nbLast);

    explicit DBNavigator(DataSet *table, QWidget *parent = nullptr);

    // Shows exactly the buttons whose bit is set.
    void setVisibleButtons(int buttons);
    int visibleButtons() const;
    QToolButton *button(Button b) const;
    // Presses a button as the person does: its action, then clicked().
    void press(Button b);

signals:
    // After a button has done its work.
    void clicked(int button);

private:
    void updateEnabled();

    DataSet *m_table;
    QList<QToolButton *> m_buttons;
    int m_visible = AllButtons;
};
