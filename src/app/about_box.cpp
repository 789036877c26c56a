#include "app/about_box.h"

#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>
#include <QStyleOptionFocusRect>

#include "app/fonts.h"
#include "app/main_window.h"
#include "common/boundary_guard.h"
#include "controls/jpeg.h"

namespace orv {

namespace {

QFont PixelFont(int pixels, bool bold = false) {
    QFont f(kPageFontFamily);
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

// The web address as shown: without scheme and closing slash.
QString ShownAddress(QString url) {
    url.remove(QRegularExpression("^[a-z]+://"));
    if (url.endsWith('/'))
        url.chop(1);
    return url;
}

// A fixed box: dialog border, no resizing, no help button.
void FixDialog(QDialog* d, int width, int height) {
    d->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                      Qt::WindowCloseButtonHint);
    d->setFixedSize(width, height);
}

QLabel* WrappedLabel(const QString& text, const QFont& font, const QRect& at, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setFont(font);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setGeometry(at);
    return l;
}

}  // namespace

TLinkLabel::TLinkLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* e) {
    Guarded("TLinkLabel::mouseReleaseEvent", [&] {
        if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
            Activate();
        QLabel::mouseReleaseEvent(e);
    });
}

// A click, Enter and Space all come here.
void TLinkLabel::Activate() {
    if (OnClick)
        OnClick();
}

void TLinkLabel::keyPressEvent(QKeyEvent* e) {
    Guarded("TLinkLabel::keyPressEvent", [&] {
        switch (e->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Space:
                if (e->modifiers() & ~Qt::KeypadModifier)
                    break;
                e->accept();
                Activate();
                return;
            default:
                break;
        }
        QLabel::keyPressEvent(e);
    });
}

void TLinkLabel::paintEvent(QPaintEvent* e) {
    Guarded(
        "TLinkLabel::paintEvent",
        [&] {
            QLabel::paintEvent(e);
            if (!hasFocus())
                return;
            // Around the text itself, where the label's alignment puts it.
            const QRect text = QStyle::alignedRect(
                layoutDirection(), alignment(),
                fontMetrics().size(Qt::TextSingleLine, this->text()), contentsRect());
            QPainter p(this);
            QStyleOptionFocusRect mark;
            mark.initFrom(this);
            mark.rect = text.adjusted(-1, 0, 1, 0) & rect();
            mark.backgroundColor = palette().color(backgroundRole());
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &mark, &p, this);
        },
        FaultBox::LogOnly);
}

Tabout::Tabout(QWidget* parent) : QDialog(parent) {
    setObjectName("about");
    setWindowTitle("About");
    setFont(WindowFont());
    FixDialog(this, 380, 206);
    setBackgroundRole(QPalette::Midlight);
    setAutoFillBackground(true);

    Image2 = new QLabel(this);
    Image2->setGeometry(0, 0, 380, 117);
    QImage img = ui::LoadJpeg(":/banners/about.jpg");
    hasPicture_ = !img.isNull();
    if (hasPicture_)
        Image2->setPixmap(QPixmap::fromImage(img));

    Label1 = new QLabel("Orvelan", this);
    Label1->setFont(PixelFont(13));
    QPalette black = Label1->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    Label1->setPalette(black);
    Label1->setGeometry(8, 121, 62, 17);
    Label2 = new QLabel("V 5.0", this);
    Label2->setFont(PixelFont(13));
    Label2->setGeometry(70, 121, 50, 17);

    Label5 = new TLinkLabel(ShownAddress(kWebSite), this);
    QFont link = PixelFont(11);
    link.setUnderline(true);
    Label5->setFont(link);
    QPalette navy = Label5->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    Label5->setPalette(navy);
    Label5->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label5->setGeometry(180, 121, 192, 17);
    Label5->OnClick = [this] { Label5Click(); };

    Label3 = new QLabel("A network toolbox: names, echoes, routes, whois, web sites.", this);
    Label3->setFont(PixelFont(11));
    Label3->setGeometry(8, 140, 364, 15);
    // The country table's licence asks for this credit where the program names its sources.
    Label4 = WrappedLabel(
        "The country answers for address blocks are adapted from the IPFire Location database "
        "of the IPFire Project, licensed under CC BY-SA 4.0; the adapted table is available "
        "under the same licence.",
        PixelFont(9), QRect(8, 157, 282, 46), this);

    Button1 = new ui::TButton("Close", this);
    Button1->setGeometry(298, 174, 75, 25);
    Button1->setDefault(true);
    Button1->OnClick = [this] { Button1Click(); };
    // The box opens on Close, so Enter closes it; Tab goes to the link.
    Button1->setFocus();
}

void Tabout::Label5Click() {
    if (OpenWebSite)
        OpenWebSite();
}

Tfilter_help::Tfilter_help(QWidget* parent) : QDialog(parent) {
    setObjectName("filter_help");
    setWindowTitle("Filter Help");
    setFont(WindowFont());
    FixDialog(this, 317, 201);

    SpeedButton1 = new ui::TSpeedButton("", "", QStyle::SP_MessageBoxInformation, this);
    SpeedButton1->setGeometry(8, 6, 23, 22);
    const QFont text = PixelFont(11);
    Label1 = WrappedLabel(
        "Please enter the file type name. For example, if you enter \"gif\" and "
        "\"htm\", Website Scanner will only scan the gif file and htm file.  ",
        text, QRect(8, 32, 186, 54), this);
    Label3 = WrappedLabel(
        "If you want to scan the email address, you must enter \"mail\" in the Filter Box", text,
        QRect(8, 90, 186, 40), this);
    Label4 = WrappedLabel(
        "Please note:  You must enter the filter words as the same format as listed on the "
        "rigtht",
        text, QRect(8, 132, 186, 40), this);
    Button1 = new ui::TButton("Close", this);
    Button1->setGeometry(62, 172, 75, 25);
    Button1->setDefault(true);
    Button1->OnClick = [this] { Button1Click(); };

    auto* example = new QFrame(this);
    example->setGeometry(202, 6, 108, 188);
    example->setFrameShape(QFrame::StyledPanel);
    QPalette white = example->palette();
    white.setColor(QPalette::Window, Qt::white);
    example->setPalette(white);
    example->setAutoFillBackground(true);
    Label2 = new QLabel("Example", example);
    Label2->setFont(PixelFont(16, true));
    Label2->setGeometry(8, 6, 92, 22);
    CheckBox1 = new ui::TCheckBox("Filter", example);
    CheckBox1->SetChecked(true);
    CheckBox1->setGeometry(8, 34, 60, 20);
    SpeedButton2 = new ui::TSpeedButton("", "", QStyle::SP_MessageBoxQuestion, example);
    SpeedButton2->setGeometry(76, 33, 23, 22);
    Memo1 = new ui::TMemo(example);
    Memo1->setReadOnly(false);
    Memo1->SetLines({"gif", "jpg", "mail", "zip"});
    Memo1->setGeometry(8, 60, 92, 120);
}

}  // namespace orv
