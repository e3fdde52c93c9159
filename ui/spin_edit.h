#pragma once

#include <QLineEdit>

#include <cstdint>

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

    std::int32_t ClampValue(std::int64_t value) const;

    virtual bool AcceptsChar(QChar character) const;
    virtual void StepUp(QObject *sender = nullptr);
    virtual void StepDown(QObject *sender = nullptr);

    TSpinButton *Button() const { return m_button; }

signals:
    void OnChange(QObject *sender);

private:
    TSpinButton *m_button = nullptr;
    std::int32_t m_minValue = 0;
    std::int32_t m_maxValue = 0;
    std::int32_t m_increment = 1;
    bool m_editorEnabled = true;
};

} // namespace mrfyc
