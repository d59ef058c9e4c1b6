#pragma once

#include <QWidget>

class QButtonGroup;
class QGroupBox;
class QPlainTextEdit;

// The page "Vorschau": the choice between the current review and all of
// them, and the read-only text of the preview in one plain font.
class PreviewPage : public QWidget
{
    Q_OBJECT

public:
    explicit PreviewPage(QWidget *parent = nullptr);

    // True while "Aktuelle Besprechung" is chosen.
    bool showsCurrent() const;
    void setShowsCurrent(bool current);

    // The preview's font: asked for by name, a sans-serif face where the
    // platform has no such font.
    static QFont previewFont();

    QGroupBox *RadioGroupPreview = nullptr;
    QPlainTextEdit *RichEdit1 = nullptr;

signals:
    // The person chose an item of the radio group.
    void previewModeClicked();

private:
    QButtonGroup *m_items = nullptr;
};
