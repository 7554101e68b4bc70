// Controls of the windows: small wrappers giving Qt widgets the properties and events the window
// code reads, writes and handles. Geometry is absolute (no layouts), in the container's units
// (pixels unless SetUnits(15) says twips); every widget's objectName is "Name_index", or "Name"
// for a control outside an array.
//
// Handlers are std::function members set by the owning window; each gets the control's index
// first (-1 outside an array). Setting Value, ListIndex or Text from code fires the same handler a
// user action fires, and only when the value changes.
#pragma once

#include <QImage>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>

#include "platform/surface.h"

class QWidget;
class QAbstractButton;
class QLabel;
class QComboBox;
class QListWidget;
class QScrollBar;
class QLineEdit;
class QEvent;
class QObject;

namespace vb {

class Control {
public:
    using IndexHandler = std::function<void(int index)>;
    using MouseHandler = std::function<void(int index, int button, int shift, double x, double y)>;
    using KeyHandler = std::function<void(int index, int keyCode, int shift)>;
    // keyAscii may be changed by the handler: 0 swallows the key, another code types that character.
    using KeyPressHandler = std::function<void(int index, int& keyAscii)>;

    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    QWidget* widget() const { return widget_; }
    const QString& Name() const { return name_; }
    int Index() const { return index_; }

    // Units per pixel of Left/Top/Width/Height (1 pixels, 15 twips), and of mouse positions.
    void SetUnits(double unitsPerPixel);
    double Units() const { return units_; }
    void SetMouseUnits(double unitsPerPixel) { mouseUnits_ = unitsPerPixel > 0 ? unitsPerPixel : 1; }
    double MouseUnits() const { return mouseUnits_; }
    // A mouse position this control reported, as pixels of its container (for handlers that pass
    // a press on to the container's handler).
    double ContainerX(double x) const { return Left() / units_ + x / mouseUnits_; }
    double ContainerY(double y) const { return Top() / units_ + y / mouseUnits_; }

    double Left() const;
    double Top() const;
    double Width() const;
    double Height() const;
    void SetLeft(double v);
    void SetTop(double v);
    void SetWidth(double v);
    void SetHeight(double v);
    // Move(left, top[, width[, height]]); a negative width or height keeps the current one.
    void Move(double left, double top, double width = -1, double height = -1);

    // The control's own Visible flag (it may still sit in a hidden container).
    bool Visible() const { return visible_; }
    void SetVisible(bool v);
    bool Enabled() const;
    void SetEnabled(bool e);
    void SetFocus();

    virtual QString FontName() const { return font_.name; }
    virtual double FontSize() const { return font_.size; }
    virtual bool FontBold() const { return font_.bold; }
    virtual bool FontItalic() const { return font_.italic; }
    virtual void SetFontName(const QString& name);
    virtual void SetFontSize(double points);
    virtual void SetFontBold(bool b);
    virtual void SetFontItalic(bool b);

    Colour ForeColor() const { return fore_; }
    Colour BackColor() const { return back_; }
    virtual void SetForeColor(Colour c);
    virtual void SetBackColor(Colour c);

    // Repaints at once.
    virtual void Refresh();

    QString Tag;

    IndexHandler Click, DblClick;
    MouseHandler MouseDown, MouseMove, MouseUp;
    // Sees every Click a control raises, by the user or from code, just before the handler runs
    // (also when no handler is set). For tests that check that real input reaches the controls.
    static inline std::function<void(const Control&)> ClickObserver;
    KeyHandler KeyDown, KeyUp;
    KeyPressHandler KeyPress;

protected:
    Control(QWidget* w, const QString& name, int index);
    // Routes the widget's (and its viewport's) mouse and key events to the handlers.
    void hookEvents(QWidget* target);
    virtual bool event(QObject* target, QEvent* e);
    virtual void geometryChanged() {}
    // Gives the widget its new place and size (pixels in its container).
    virtual void placeWidget(const QRect& to);
    virtual void fontChanged();
    // Raises Click: the observer, then the handler.
    void raiseClick();
    // Label-like controls fire Click on the release of the left button pressed on them (not on a
    // control inside them).
    bool clickOnRelease_ = false;
    int idx() const { return index_; }

    struct FontState {
        QString name = QStringLiteral("宋体");
        double size = 9;
        bool bold = false, italic = false;
    } font_;
    Colour fore_ = 0;
    Colour back_ = 0xFFFFFF;
    bool backSet_ = false;

private:
    friend class EventHook;
    void setPixelGeometry(int x, int y, int w, int h);
    QPointer<QWidget> widget_;
    QString name_;
    int index_;
    double units_ = 1;
    double mouseUnits_ = 1;
    bool visible_ = true;
    bool afterDblClick_ = false;
    bool pressedOnSelf_ = false;
    QObject* hook_ = nullptr;
};

class CommandButton : public Control {
public:
    CommandButton(QWidget* parent, const QString& name, int index = -1);
    QString Caption() const;
    void SetCaption(const QString& c);
    // Value = True from code: fires Click as a press would.
    void PerformClick();

protected:
    // Enter or Return on the focused button clicks it, as Space does.
    bool event(QObject* target, QEvent* e) override;

private:
    QAbstractButton* button_;
};

class Label : public Control {
public:
    Label(QWidget* parent, const QString& name, int index = -1);
    QString Caption() const { return caption_; }
    void SetCaption(const QString& c);
    // With AutoSize the label takes the size of its caption in its font.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool a);
    // 0 left, 1 right, 2 centre.
    int Alignment() const { return alignment_; }
    void SetAlignment(int a);
    // 0 transparent, 1 opaque.
    int BackStyle() const { return backStyle_; }
    void SetBackStyle(int s);
    // 0 none, 1 fixed single.
    int BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(int s);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool w);
    void SetForeColor(Colour c) override;
    void SetBackColor(Colour c) override;

protected:
    void fontChanged() override;
    // A label keeps the mouse presses, moves, releases and double-clicks made on it: they raise its
    // own handlers and never reach the container's. A label made transparent for the mouse (or a
    // disabled one) leaves them to the container.
    bool event(QObject* target, QEvent* e) override;

private:
    void applyStyle();
    void fitCaption();
    QLabel* label_;
    QString caption_;
    bool autoSize_ = false, wordWrap_ = false;
    int alignment_ = 0, backStyle_ = 1, borderStyle_ = 0;
};

class CheckBox : public Control {
public:
    // graphical: the check box drawn as a toggle button.
    CheckBox(QWidget* parent, const QString& name, int index = -1, bool graphical = false);
    QString Caption() const;
    void SetCaption(const QString& c);
    // 0 unchecked, 1 checked. Setting a different value from code fires Click.
    int Value() const;
    void SetValue(int v);

private:
    QAbstractButton* box_;
};

class OptionButton : public Control {
public:
    OptionButton(QWidget* parent, const QString& name, int index = -1);
    QString Caption() const;
    void SetCaption(const QString& c);
    // Selecting from code clears the other option buttons of the container and fires Click.
    bool Value() const;
    void SetValue(bool v);

private:
    QAbstractButton* option_;
};

class ComboBox : public Control {
public:
    // style 0: dropdown combo (editable), 2: dropdown list.
    ComboBox(QWidget* parent, const QString& name, int index = -1, int style = 2);
    int Style() const { return style_; }
    // index -1 appends; an index beyond the end appends too.
    void AddItem(const QString& item, int index = -1);
    void RemoveItem(int index);
    void Clear();
    QString List(int index) const;  // "" outside the list
    void SetList(int index, const QString& item);
    int ListCount() const;
    // -1 = no selection. Setting a different entry from code fires Click; out-of-range is ignored.
    int ListIndex() const;
    void SetListIndex(int index);
    // The edit text (dropdown combo) or the selected entry. On a dropdown list setting Text selects
    // the first entry equal to it (none: unchanged). A changed edit text fires Change.
    QString Text() const;
    void SetText(const QString& t);
    IndexHandler Change;

protected:
    void fontChanged() override;

private:
    QComboBox* combo_;
    int style_;
    bool fromCode_ = false;
};

class ListBox : public Control {
public:
    ListBox(QWidget* parent, const QString& name, int index = -1);
    void AddItem(const QString& item, int index = -1);
    void RemoveItem(int index);
    void Clear();
    QString List(int index) const;
    void SetList(int index, const QString& item);
    int ListCount() const;
    int ListIndex() const;
    void SetListIndex(int index);
    QString Text() const { return List(ListIndex()); }

protected:
    QListWidget* list_;
    bool fromCode_ = false;
};

// The list of the files of a folder (for picture choices).
class FileListBox : public ListBox {
public:
    FileListBox(QWidget* parent, const QString& name, int index = -1);
    // Lists the files of the folder matching Pattern, sorted by name without regard to case.
    void SetPath(const QString& folder);
    QString Path() const { return path_; }
    void SetPattern(const QString& pattern);
    QString Pattern() const { return pattern_; }
    // The selected file's name (no folder); "" when none.
    QString FileName() const { return Text(); }

private:
    void refill();
    QString path_, pattern_ = QStringLiteral("*.*");
};

// The entries of a combo box or list box, in order.
template <class ListControl>
QStringList ItemsOf(const ListControl& box) {
    QStringList items;
    for (int i = 0; i < box.ListCount(); ++i) items << box.List(i);
    return items;
}

class ScrollBar : public Control {
public:
    ScrollBar(QWidget* parent, const QString& name, int index = -1, bool vertical = false);
    int Min() const { return min_; }
    int Max() const { return max_; }
    // Min may exceed Max: the bar then runs the other way. A range that no longer holds the value
    // moves the value into it and fires Change.
    void SetMin(int v);
    void SetMax(int v);
    int Value() const;
    // Clamped to the range; a different value fires Change.
    void SetValue(int v);
    int SmallChange() const;
    int LargeChange() const;
    void SetSmallChange(int v);
    void SetLargeChange(int v);
    // Change: the value changed (by code, arrows, track or the end of a drag).
    // Scroll: the thumb is being dragged.
    IndexHandler Change, Scroll;

private:
    void applyRange();
    void fireChange();
    QScrollBar* bar_;
    int min_ = 0, max_ = 32767;
    int lastChanged_ = 0;
    bool fromCode_ = false;
};

class TextBox : public Control {
public:
    TextBox(QWidget* parent, const QString& name, int index = -1);
    QString Text() const;
    // A different text fires Change.
    void SetText(const QString& t);
    // 0 = no limit.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int n);
    int SelStart() const;
    void SetSelStart(int s);
    int SelLength() const;
    void SetSelLength(int n);
    bool Locked() const;
    void SetLocked(bool l);
    IndexHandler Change;
    void SetForeColor(Colour c) override;
    void SetBackColor(Colour c) override;

private:
    QLineEdit* edit_;
    int maxLength_ = 0;
};

// A picture box with a persistent image: draws through Canvas(), holds child controls, reports
// mouse positions in pixels and takes the keyboard focus.
class PictureBox : public Control {
public:
    PictureBox(QWidget* parent, const QString& name, int index = -1);
    ~PictureBox() override;
    PageSurface& Canvas() { return *surface_; }
    const PageSurface& Canvas() const { return *surface_; }
    // Loads the background picture; false when the file cannot be read.
    bool LoadPicture(const QString& path) { return surface_->LoadPicture(path); }
    double ScaleWidth() const { return surface_->ScaleWidth(); }
    double ScaleHeight() const { return surface_->ScaleHeight(); }
    // 0 none, 1 fixed single (a one-pixel frame drawn over the picture's edge).
    int BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(int s);
    // The font of the picture box is its canvas's font.
    QString FontName() const override { return surface_->FontName(); }
    double FontSize() const override { return surface_->FontSize(); }
    bool FontBold() const override { return surface_->FontBold(); }
    bool FontItalic() const override { return surface_->FontItalic(); }
    void SetFontName(const QString& name) override;
    void SetFontSize(double points) override;
    void SetFontBold(bool b) override;
    void SetFontItalic(bool b) override;
    void SetForeColor(Colour c) override;
    void SetBackColor(Colour c) override;
    void Refresh() override;

protected:
    void geometryChanged() override;
    void placeWidget(const QRect& to) override;

private:
    std::unique_ptr<PageSurface> surface_;
    int borderStyle_ = 0;
};

// A rectangle (Shape 0) or other outline drawn over its container; mouse clicks pass through.
class Shape : public Control {
public:
    Shape(QWidget* parent, const QString& name, int index = -1);
    Colour BorderColor() const { return border_; }
    void SetBorderColor(Colour c);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int w);
    Colour FillColor() const { return fill_; }
    void SetFillColor(Colour c);
    // 0 solid, 1 transparent.
    int FillStyle() const { return fillStyle_; }
    void SetFillStyle(int s);
    // 0 transparent, 1 opaque (BackColor inside the border).
    int BackStyle() const { return backStyle_; }
    void SetBackStyle(int s);
    void SetBackColor(Colour c) override;

private:
    friend class ShapeWidget;
    Colour border_ = 0, fill_ = 0;
    int borderWidth_ = 1, fillStyle_ = 1, backStyle_ = 0;
};

// A line control from (X1, Y1) to (X2, Y2) in the container's units; mouse clicks pass through.
class LineControl : public Control {
public:
    LineControl(QWidget* parent, const QString& name, int index = -1);
    double X1() const { return x1_; }
    double Y1() const { return y1_; }
    double X2() const { return x2_; }
    double Y2() const { return y2_; }
    void SetX1(double v);
    void SetY1(double v);
    void SetX2(double v);
    void SetY2(double v);
    void SetPoints(double x1, double y1, double x2, double y2);
    Colour BorderColor() const { return border_; }
    void SetBorderColor(Colour c);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int w);

private:
    friend class LineWidget;
    void place();
    double x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
    Colour border_ = 0;
    int borderWidth_ = 1;
};

// An image control: shows a picture at its own size (or stretched to the control).
class ImageBox : public Control {
public:
    ImageBox(QWidget* parent, const QString& name, int index = -1);
    bool LoadPicture(const QString& path);
    void SetPicture(const QImage& image);
    const QImage& Picture() const { return image_; }
    bool Stretch() const { return stretch_; }
    void SetStretch(bool s);

private:
    friend class ImageWidget;
    QImage image_;
    bool stretch_ = false;
};

// A framed group with a caption; its widget is the container of the controls placed in it.
class Frame : public Control {
public:
    Frame(QWidget* parent, const QString& name, int index = -1);
    QString Caption() const;
    void SetCaption(const QString& c);
};

// A control array: the elements with the documented indexes, each named "Name_index".
template <class T>
class ControlArray {
public:
    // Elements lo..hi; extra constructor arguments go to every element.
    template <class... Args>
    ControlArray(QWidget* parent, const QString& name, int lo, int hi, Args... args) : name_(name) {
        for (int i = lo; i <= hi; ++i) items_[i] = std::make_unique<T>(parent, name, i, args...);
    }
    // Elements with the given indexes (arrays with gaps).
    template <class... Args>
    ControlArray(QWidget* parent, const QString& name, std::initializer_list<int> indexes, Args... args)
        : name_(name) {
        for (int i : indexes) items_[i] = std::make_unique<T>(parent, name, i, args...);
    }

    // The element; an index the array does not hold throws std::out_of_range.
    T& operator[](int i) const {
        auto it = items_.find(i);
        if (it == items_.end())
            throw std::out_of_range("control array " + name_.toStdString() + " has no element " +
                                    std::to_string(i));
        return *it->second;
    }
    T& operator()(int i) const { return (*this)[i]; }
    bool Exists(int i) const { return items_.count(i) != 0; }
    int LBound() const { return items_.empty() ? 0 : items_.begin()->first; }
    int UBound() const { return items_.empty() ? -1 : items_.rbegin()->first; }
    int Count() const { return int(items_.size()); }
    const QString& Name() const { return name_; }

    // Sets one handler on every element: Bind(&Control::Click, fn).
    template <class M, class Fn>
    void Bind(M member, const Fn& fn) {
        for (auto& kv : items_) (*kv.second).*member = fn;
    }
    template <class F>
    void ForEach(F f) const {
        for (auto& kv : items_) f(kv.first, *kv.second);
    }

private:
    QString name_;
    std::map<int, std::unique_ptr<T>> items_;
};

}  // namespace vb
