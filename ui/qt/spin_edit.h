// SPDX-License-Identifier: MIT
#pragma once

#include "rules/spin_field.h"

#include <QLineEdit>

#include <cstdint>

class QMenu;
class QMimeData;

namespace mrfyc {

class TSpinButton;

// A one-line text box holding a signed 32-bit integer as text, with an arrow pair inside its right
// edge. The text is the only state; Value is worked out from it on every read.
class TSpinEdit : public QLineEdit
{
    Q_OBJECT
    // MaxValue and MinValue come before Value so that a layout can set the bounds first.
    Q_PROPERTY(int MaxValue READ MaxValue WRITE setMaxValue)
    Q_PROPERTY(int MinValue READ MinValue WRITE setMinValue)
    Q_PROPERTY(int Value READ Value WRITE setValue)
    Q_PROPERTY(int Increment READ Increment WRITE setIncrement)
    Q_PROPERTY(bool EditorEnabled READ EditorEnabled WRITE setEditorEnabled)
    Q_PROPERTY(bool AutoSelect READ AutoSelect WRITE setAutoSelect)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)

public:
    explicit TSpinEdit(QWidget *parent = nullptr);
    ~TSpinEdit() override;

    std::int32_t Value() const;
    void setValue(std::int32_t value);
    std::int32_t MinValue() const { return m_minValue; }
    void setMinValue(std::int32_t value) { m_minValue = value; }
    std::int32_t MaxValue() const { return m_maxValue; }
    void setMaxValue(std::int32_t value) { m_maxValue = value; }
    std::int32_t Increment() const { return m_increment; }
    void setIncrement(std::int32_t value) { m_increment = value; }
    bool EditorEnabled() const { return m_editorEnabled; }
    void setEditorEnabled(bool enabled) { m_editorEnabled = enabled; }
    // Select the whole text when the focus arrives (unless by a left press inside the text).
    bool AutoSelect() const { return m_autoSelect; }
    void setAutoSelect(bool autoSelect) { m_autoSelect = autoSelect; }
    // Take the height from the font.
    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool autoSize);

    // Pulls value into MinValue..MaxValue; with MinValue equal to MaxValue there are no bounds
    // and only the 32-bit range applies.
    std::int32_t ClampValue(std::int64_t value) const;

    virtual bool AcceptsChar(QChar character) const;
    virtual void StepUp();
    virtual void StepDown();

    TSpinButton *Button() const { return m_button; }

    // The heights that the font gives: the AutoSize height and the least height of the field.
    int AutoSizeHeight() const;
    int MinimumHeight() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    // Paste and cut happen only while the text may be edited (EditorEnabled on, read-only off).
    // These hide QLineEdit's slots so that calls through a TSpinEdit obey the rule too.
    void paste();
    void cut();

signals:
    void OnChange();
    void OnEnter();
    void OnExit();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void Step(SpinDirection direction);
    SpinBounds Bounds() const;
    void ShowNumber(std::int32_t bounded);
    bool MayEditText() const;
    bool AcceptsDrop(const QMimeData *data) const;
    bool IsRefusedEditKey(const QKeyEvent &event) const;
    QMenu *CreateEditMenu();
    QString AcceptedCharacters(const QString &typed) const;
    void ResolveMouseEntry(bool pressInsideText, Qt::MouseButton button);
    void ApplyHeightRules();
    void PlaceButton();
    int ClientInset() const;

    TSpinButton *m_button = nullptr;
    std::int32_t m_minValue = 0;
    std::int32_t m_maxValue = 0;
    std::int32_t m_increment = 1;
    bool m_editorEnabled = true;
    bool m_autoSelect = true;
    bool m_autoSize = true;
    // The focus came with a mouse press that has not reached the text or an arrow yet.
    bool m_mouseEntryPending = false;
};

} // namespace mrfyc
