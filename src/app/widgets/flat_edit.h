#pragma once

// A one-line edit box with a flat look: a one-pixel frame in a chosen colour inside the
// system's one-pixel border, and an optional button at its right end. Enter inserts nothing,
// a paste that would bring in a line break is refused, and the caret goes to the end of the
// text when the box receives the focus.

#include "app/widgets/flat_common.h"

#include <QFont>
#include <QLineEdit>
#include <QPointer>
#include <QString>

namespace sw {

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

struct EditLook {
    TColor borderColor = clBlack;
    TColor color = clWindow;
    bool btnVisible = false;
    int btnWidth = 16;
    TColor btnColor = clBtnFace;
};

// The flat parts over an edit box of `size`: the system's border on the outer pixel ring,
// the frame just inside it, and the button fill and separator.
FlatParts editFlatParts(QSize size, const EditLook& look);

// The button's rectangle in widget coordinates (inside the frame).
QRect editButtonRect(QSize size, const EditLook& look);

class TALEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TALEdit(QWidget* parent = nullptr);

    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment alignment);
    bool btnVisible() const { return m_look.btnVisible; }
    void SetbtnVisible(bool visible);
    int btnWidth() const { return m_look.btnWidth; }
    void SetbtnWidth(int width);
    void SetbtnCaption(const QString& caption);
    TImageList* Glyph() const { return m_glyph; }
    void SetGlyph(TImageList* glyph);
    int GlyphIndex() const { return m_glyphIndex; }
    void SetGlyphIndex(int index);
    TColor BorderColor() const { return m_look.borderColor; }
    void SetBorderColor(TColor color);
    TColor btnColor() const { return m_look.btnColor; }
    void SetbtnColor(TColor color);
    void SetbtnFont(const QFont& font); // copied
    TColor Color() const { return m_look.color; }
    void SetColor(TColor color);
    void SetFontColor(TColor color);
    const QString& CustomProperty() const { return m_customProperty; }
    void SetCustomProperty(const QString& value) { m_customProperty = value; }
    void SetOnPaint(TAlPaintEvent handler) { m_onPaint = std::move(handler); }

    // Pastes the clipboard's text unless it holds a carriage return or a line feed; returns
    // whether it pasted.
    bool Paste();

    bool ButtonPressed() const { return m_buttonPressed; }
    // The area where the mouse works the button: the button plus twice the frame width.
    QRect ButtonHitRect() const;

signals:
    void OnButtonClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;

private:
    void updateTextRect();
    void applyAlignment();

    EditLook m_look;
    TAlignment m_alignment = TAlignment::taLeftJustify;
    QString m_btnCaption;
    QPointer<TImageList> m_glyph;
    int m_glyphIndex = -1;
    QFont m_btnFont;
    QString m_customProperty;
    TAlPaintEvent m_onPaint;
    bool m_buttonPressed = false;
    bool m_mouseInControl = false;
    bool m_focused = false;
};

} // namespace sw
