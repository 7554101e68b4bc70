#include "platform/dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

namespace vb {

std::vector<int> MsgBoxAnswers(int flags) {
    switch (MsgButtonsOf(flags)) {
    case vbOKCancel: return {vbOK, vbCancel};
    case vbAbortRetryIgnore: return {vbAbort, vbRetry, vbIgnore};
    case vbYesNoCancel: return {vbYes, vbNo, vbCancel};
    case vbYesNo: return {vbYes, vbNo};
    case vbRetryCancel: return {vbRetry, vbCancel};
    default: return {vbOK};
    }
}

QStringList QtNameFilters(const QString& vbFilter) {
    QStringList out;
    if (vbFilter.isEmpty()) return out;
    const QStringList parts = vbFilter.split('|');
    for (int i = 0; i < parts.size(); i += 2) {
        QString desc = parts[i].trimmed();
        QString pattern = i + 1 < parts.size() ? parts[i + 1].trimmed() : QStringLiteral("*");
        if (pattern.isEmpty()) pattern = QStringLiteral("*");
        QString patterns = pattern.split(';', Qt::SkipEmptyParts).join(' ');
        if (desc.isEmpty()) desc = patterns;
        // A description that already ends with its patterns in brackets is taken as it is.
        if (desc.endsWith(QStringLiteral("(") + patterns + QStringLiteral(")")))
            out << desc;
        else
            out << desc + QStringLiteral(" (") + patterns + QStringLiteral(")");
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// QtDialogs

namespace {
// Every dialog stands on top, as the page and lyrics windows do, so that they never hide it.
void KeepOnTop(QDialog& dialog) { dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true); }

// A box as narrow as a short message ("导入完成") leaves its title no room in the window manager's
// title bar beside the bar's icon and buttons: the bar shows "…" or nothing. The box is made at
// least as wide as its title needs there.
void MakeRoomForTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    QFont bar = box.font();
    bar.setBold(true);
    const int width = QFontMetrics(bar).horizontalAdvance(box.windowTitle()) + kTitleBarControlsWidth;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}
}  // namespace

// A box given no title shows the program's name: the caption of the window that owns the boxes.
QString QtDialogs::BoxTitle(const QString& title) const {
    if (!title.isEmpty()) return title;
    if (parent_ && !parent_->window()->windowTitle().isEmpty()) return parent_->window()->windowTitle();
    return QApplication::applicationName();
}

int QtDialogs::MsgBox(const QString& prompt, int flags, const QString& title) {
    QMessageBox box(parent_);
    box.setText(prompt);
    box.setWindowTitle(BoxTitle(title));
    switch (MsgIconOf(flags)) {
    case vbCritical: box.setIcon(QMessageBox::Critical); break;
    case vbQuestion: box.setIcon(QMessageBox::Question); break;
    case vbExclamation: box.setIcon(QMessageBox::Warning); break;
    case vbInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    KeepOnTop(box);
    if (MsgIsSystemModal(flags)) box.setWindowModality(Qt::ApplicationModal);
    std::vector<std::pair<QPushButton*, int>> buttons;
    for (int answer : MsgBoxAnswers(flags)) {
        QString text;
        QMessageBox::ButtonRole role = QMessageBox::AcceptRole;
        switch (answer) {
        case vbOK: text = QStringLiteral("确定"); break;
        case vbCancel: text = QStringLiteral("取消"); role = QMessageBox::RejectRole; break;
        case vbAbort: text = QStringLiteral("中止"); role = QMessageBox::RejectRole; break;
        case vbRetry: text = QStringLiteral("重试"); break;
        case vbIgnore: text = QStringLiteral("忽略"); break;
        case vbYes: text = QStringLiteral("是"); role = QMessageBox::YesRole; break;
        case vbNo: text = QStringLiteral("否"); role = QMessageBox::NoRole; break;
        }
        buttons.push_back({box.addButton(text, role), answer});
    }
    MakeRoomForTitle(box);
    box.setDefaultButton(buttons.front().first);
    // Escape answers Cancel where the box has one, OK on a box with only OK.
    for (auto& b : buttons)
        if (b.second == vbCancel || (buttons.size() == 1)) box.setEscapeButton(b.first);
    box.exec();
    for (auto& b : buttons)
        if (box.clickedButton() == b.first) return b.second;
    // Closed without a button: the Cancel answer where there is one, else the first button.
    for (auto& b : buttons)
        if (b.second == vbCancel) return vbCancel;
    return buttons.front().second;
}

QString QtDialogs::InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    return InputBoxOrCancel(prompt, title, defaultText).value_or(QString());
}

std::optional<QString> QtDialogs::InputBoxOrCancel(const QString& prompt, const QString& title,
                                                   const QString& defaultText) {
    QInputDialog dlg(parent_);
    KeepOnTop(dlg);
    dlg.setWindowTitle(BoxTitle(title));
    dlg.setLabelText(prompt);
    dlg.setTextValue(defaultText);
    dlg.setOkButtonText(QStringLiteral("确定"));
    dlg.setCancelButtonText(QStringLiteral("取消"));
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    return dlg.textValue();
}

std::optional<QString> QtDialogs::fileDialog(const FileRequest& r, bool save) {
    QFileDialog dlg(parent_, r.title);
    KeepOnTop(dlg);
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The commands ask their own overwrite question.
    if (save) dlg.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = QtNameFilters(r.filter);
    if (!filters.isEmpty()) {
        dlg.setNameFilters(filters);
        int i = r.filterIndex - 1;
        if (i >= 0 && i < filters.size()) dlg.selectNameFilter(filters[i]);
    }
    QFileInfo name(r.fileName);
    if (!r.initDir.isEmpty())
        dlg.setDirectory(r.initDir);
    else if (name.isAbsolute())
        dlg.setDirectory(name.absolutePath());
    if (!r.fileName.isEmpty()) dlg.selectFile(name.fileName());
    if (!r.defaultExt.isEmpty()) dlg.setDefaultSuffix(r.defaultExt);
    dlg.setLabelText(QFileDialog::Accept, save ? QStringLiteral("保存") : QStringLiteral("打开"));
    dlg.setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    return QDir::toNativeSeparators(dlg.selectedFiles().front());
}

std::optional<QString> QtDialogs::ShowOpen(const FileRequest& r) { return fileDialog(r, false); }
std::optional<QString> QtDialogs::ShowSave(const FileRequest& r) { return fileDialog(r, true); }

std::optional<Colour> QtDialogs::ShowColor(Colour initial) {
    QColorDialog dlg(ToQColor(initial), parent_);
    KeepOnTop(dlg);
    if (dlg.exec() != QDialog::Accepted || !dlg.selectedColor().isValid()) return std::nullopt;
    return FromQColor(dlg.selectedColor());
}

std::optional<FontChoice> QtDialogs::ShowFont(const FontChoice& initial) {
    // The dialog lists installed families only: a name that stands for one ("宋体") is shown as the
    // family it resolves to, and that family kept gives the name back as it was given.
    const QString family = initial.name.isEmpty() ? QString() : QFontInfo(QFont(initial.name)).family();
    QFont f;
    if (!family.isEmpty()) f.setFamily(family);
    f.setPointSizeF(initial.size > 0 ? initial.size : 9);
    f.setBold(initial.bold);
    f.setItalic(initial.italic);
    QFontDialog dlg(f, parent_);
    KeepOnTop(dlg);
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    const QFont chosen = dlg.selectedFont();
    const QString name = !family.isEmpty() && chosen.family() == family ? initial.name : chosen.family();
    return FontChoice{name, chosen.pointSizeF(), chosen.bold(), chosen.italic()};
}

void QtDialogs::Beep() { QApplication::beep(); }

// ---------------------------------------------------------------------------------------------
// ScriptedDialogs

namespace {
ScriptedDialogs::Call makeCall(const QString& kind, const QString& prompt = QString(),
                               const QString& title = QString()) {
    ScriptedDialogs::Call c;
    c.kind = kind;
    c.prompt = prompt;
    c.title = title;
    return c;
}
}  // namespace

void ScriptedDialogs::Beep() { calls.push_back(makeCall(QStringLiteral("Beep"))); }

std::vector<ScriptedDialogs::Call> ScriptedDialogs::MsgBoxCalls() const {
    std::vector<Call> out;
    for (const Call& c : calls)
        if (c.kind == QLatin1String("MsgBox")) out.push_back(c);
    return out;
}

int ScriptedDialogs::MsgBox(const QString& prompt, int flags, const QString& title) {
    Call c = makeCall(QStringLiteral("MsgBox"), prompt, title);
    c.buttons = MsgButtonsOf(flags);
    c.icon = MsgIconOf(flags);
    c.systemModal = MsgIsSystemModal(flags);
    calls.push_back(c);
    if (whileMessageBoxOpen) whileMessageBoxOpen(c);
    if (!msgBoxAnswers.empty()) {
        int a = msgBoxAnswers.front();
        msgBoxAnswers.pop_front();
        return a;
    }
    return defaultMsgBoxAnswer != 0 ? defaultMsgBoxAnswer : MsgBoxAnswers(flags).front();
}

QString ScriptedDialogs::InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    return InputBoxOrCancel(prompt, title, defaultText).value_or(QString());
}

std::optional<QString> ScriptedDialogs::InputBoxOrCancel(const QString& prompt, const QString& title,
                                                         const QString& defaultText) {
    Call c = makeCall(QStringLiteral("InputBox"), prompt, title);
    c.defaultText = defaultText;
    calls.push_back(c);
    if (!inputAnswers.empty()) {
        std::optional<QString> a = inputAnswers.front();
        inputAnswers.pop_front();
        return a;
    }
    return defaultInputAnswer ? *defaultInputAnswer : defaultText;
}

namespace {
template <class T>
std::optional<T> takeAnswer(std::deque<std::optional<T>>& q) {
    std::optional<T> a;
    if (!q.empty()) {
        a = std::move(q.front());
        q.pop_front();
    }
    return a;
}
}  // namespace

std::optional<QString> ScriptedDialogs::ShowOpen(const FileRequest& r) {
    Call c = makeCall(QStringLiteral("Open"), r.fileName, r.title);
    c.file = r;
    calls.push_back(c);
    return takeAnswer(fileAnswers);
}

std::optional<QString> ScriptedDialogs::ShowSave(const FileRequest& r) {
    Call c = makeCall(QStringLiteral("Save"), r.fileName, r.title);
    c.file = r;
    calls.push_back(c);
    return takeAnswer(fileAnswers);
}

std::optional<Colour> ScriptedDialogs::ShowColor(Colour initial) {
    calls.push_back(makeCall(QStringLiteral("Color"), QString::number(initial)));
    return takeAnswer(colorAnswers);
}

std::optional<FontChoice> ScriptedDialogs::ShowFont(const FontChoice& initial) {
    calls.push_back(makeCall(QStringLiteral("Font"), initial.name));
    return takeAnswer(fontAnswers);
}

// ---------------------------------------------------------------------------------------------
// CommonDialog

FileRequest CommonDialog::request() const {
    return FileRequest{DialogTitle, Filter, FilterIndex, InitDir, FileName, DefaultExt};
}

bool CommonDialog::ShowOpen() {
    auto r = dialogs_->ShowOpen(request());
    if (!r) return false;
    FileName = *r;
    return true;
}

bool CommonDialog::ShowSave() {
    auto r = dialogs_->ShowSave(request());
    if (!r) return false;
    FileName = *r;
    return true;
}

bool CommonDialog::ShowColor() {
    auto r = dialogs_->ShowColor(Color);
    if (!r) return false;
    Color = *r;
    return true;
}

bool CommonDialog::ShowFont() {
    auto r = dialogs_->ShowFont(FontChoice{FontName, FontSize, FontBold, FontItalic});
    if (!r) return false;
    FontName = r->name;
    FontSize = r->size;
    FontBold = r->bold;
    FontItalic = r->italic;
    return true;
}

}  // namespace vb
