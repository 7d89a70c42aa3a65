#include "info/help.h"

#include "app/appstate.h"
#include "app/mainwindow.h"
#include "app/screenfit.h"
#include "info/helptext.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextOption>

namespace {

// The text control keeps these margins to the window's edges as the window is resized.
constexpr int kMemoLeft = 2;
constexpr int kMemoTop = 4;
constexpr int kMemoRightMargin = 3;
constexpr int kMemoBottomMargin = 4;

} // namespace

Thelpform::Thelpform(QWidget* parent) : QWidget(parent, Qt::Window) {
    app::state().helpform = this;
    setObjectName(QStringLiteral("helpform"));
    screenfit::behaveAsToolWindow(*this);
    setWindowTitle(QStringLiteral("Russian Romanized/Direct Input keymap"));
    resize(530, 417);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(kMemoLeft, kMemoTop, 525, 409);
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setWordWrapMode(QTextOption::WrapAnywhere);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // A read-only control still takes the keyboard so the user can scroll and select.
    Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QFont designed;
    designed.setPixelSize(16);
    designed.setFixedPitch(false);
    Memo1->setFont(designed);
    QPalette palette = Memo1->palette();
    palette.setColor(QPalette::Text, Qt::black);
    Memo1->setPalette(palette);
    setFocusProxy(Memo1);

    FormCreate();
}

Thelpform::~Thelpform() {
    if (app::state().helpform == this)
        app::state().helpform = nullptr;
}

void Thelpform::FormCreate() {
    if (app::state().mainWindow) {
        // The user's editor font as it was at start-up; later font changes do not reach here.
        Memo1->setFont(app::state().mainWindow->editorFont());
        QPalette palette = Memo1->palette();
        palette.setColor(QPalette::Text, app::state().mainWindow->editorTextColor());
        Memo1->setPalette(palette);
    }
    Memo1->clear();
    Memo1->insertPlainText(info::keymapHelpText());
    QTextCursor cursor = Memo1->textCursor();
    cursor.setPosition(0);
    Memo1->setTextCursor(cursor);
}

void Thelpform::showOverMainWindow() {
    if (!isVisible()) {
        if (app::state().mainWindow) {
            QRect frame = frameGeometry();
            frame.moveCenter(app::state().mainWindow->mainWidget().frameGeometry().center());
            move(frame.topLeft());
        }
        show();
    } else if (isMinimized()) {
        showNormal();
    }
    raise();
    activateWindow();
    Memo1->setFocus();
}

void Thelpform::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Memo1->setGeometry(kMemoLeft, kMemoTop, qMax(0, width() - kMemoLeft - kMemoRightMargin),
                       qMax(0, height() - kMemoTop - kMemoBottomMargin));
}
