// The window as laid out: every control at its place in twips, with its font, colours, caption
// and initial state, the menu and the clock's timer.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <optional>

#include "platform/drive_table.h"
#include "window/current_drive.h"
#include "window/drop_targets.h"
#include "window/form1.h"
#include "window/palette.h"

namespace roruvez {

namespace {

struct Place {
    int left;
    int top;
    int width;
    int height;
};

// The faces the layout names are Windows faces; where the machine has none of them, Liberation
// Sans (the metric twin of Arial) stands in rather than whatever fontconfig's default is.
QFont layoutFont(const char* family, double points, bool bold) {
    QFont font;
    font.setFamilies({QString::fromLatin1(family), QStringLiteral("Liberation Sans")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont buttonFont() {
    return layoutFont("MS Sans Serif", 8.25, true);
}

void setColours(QWidget& widget, QPalette::ColorRole backRole, std::optional<QColor> back,
                QPalette::ColorRole textRole, std::optional<QColor> text) {
    QPalette palette = widget.palette();
    if (back) {
        palette.setColor(backRole, *back);
    }
    if (text) {
        palette.setColor(textRole, *text);
    }
    widget.setPalette(palette);
}

QLabel* makeLabel(QWidget* parent, const char* name, const char* caption,
                  std::optional<QColor> back, std::optional<QColor> text) {
    auto* label = new QLabel(QString::fromLatin1(caption), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(buttonFont());
    label->setTextFormat(Qt::PlainText);
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setLineWidth(1);
    label->setAutoFillBackground(true);
    setColours(*label, QPalette::Window, back, QPalette::WindowText, text);
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption, QFont font,
                        bool enabled) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFont(font);
    button->setAutoDefault(false);
    button->setEnabled(enabled);
    return button;
}

}  // namespace

int Form1::pixelsX(int twips) const {
    return twipsToPixels(twips, logicalDpiX());
}

int Form1::pixelsY(int twips) const {
    return twipsToPixels(twips, logicalDpiY());
}

void Form1::createControls() {
    client_ = new ClientArea(this);
    client_->setObjectName(QStringLiteral("ClientArea"));
    client_->setFont(layoutFont("Small Fonts", 6.75, true));
    client_->setFixedSize(pixelsX(4875), pixelsY(4575));
    setCentralWidget(client_);

    const QColor lightGreen = paletteColour(10);
    const QColor darkBlueText(0, 0, 192);

    shape1_ = new QWidget(client_);
    shape1_->setObjectName(QStringLiteral("Shape1"));
    shape1_->setAutoFillBackground(true);
    setColours(*shape1_, QPalette::Window, paletteColour(9), QPalette::WindowText, std::nullopt);
    // The band is only paint: clicks and drops go to the window's surface beneath it.
    shape1_->setAttribute(Qt::WA_TransparentForMouseEvents);

    command3_ = makeButton(client_, "Command3", " BRELDO -R", layoutFont("Arial", 9, true), false);
    command1_ = makeButton(client_, "Command1", "BRELDO", buttonFont(), false);

    text1_ = new PathBox(client_);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setFont(layoutFont("Arial", 8.25, true));
    setColours(*text1_, QPalette::Base, paletteColour(11), QPalette::Text, darkBlueText);
    text1_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text1_->setTabChangesFocus(true);
    // It only shows the choice; nothing typed there would be used.
    text1_->setReadOnly(true);

    text2_ = new QLineEdit(client_);
    text2_->setObjectName(QStringLiteral("Text2"));
    text2_->setFont(layoutFont("System", 9.75, true));
    setColours(*text2_, QPalette::Base, paletteColour(15), QPalette::Text, darkBlueText);
    text2_->setMaxLength(10);
    text2_->setAcceptDrops(false);

    command2_ = makeButton(client_, "Command2", "CLEAR", buttonFont(), true);
    label2_ = makeLabel(client_, "Label2", "File size:", std::nullopt, std::nullopt);
    label3_ = makeLabel(client_, "Label3", "", lightGreen, QColor(64, 64, 64));
    label5_ = makeLabel(client_, "Label5", "", std::nullopt, std::nullopt);
    label7_ = makeLabel(client_, "Label7", "", std::nullopt, std::nullopt);
    label8_ = makeLabel(client_, "Label8", "", std::nullopt, QColor(0, 0, 128));
    label9_ = makeLabel(client_, "Label9", "", lightGreen, darkBlueText);
    command5_ = makeButton(client_, "Command5", "Browse", buttonFont(), true);
    label10_ = makeLabel(client_, "Label10", "", lightGreen, std::nullopt);
    label10_->setAlignment(Qt::AlignCenter);

    check1_ = new QCheckBox(QStringLiteral("SaveTo:"), client_);
    check1_->setObjectName(QStringLiteral("Check1"));
    // Opaque, as the platform draws a check box on its own face colour.
    check1_->setAutoFillBackground(true);
    check1_->setEnabled(false);

    text3_ = new QPlainTextEdit(client_);
    text3_->setObjectName(QStringLiteral("Text3"));
    text3_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text3_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text3_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text3_->setTabChangesFocus(true);
    text3_->setAcceptDrops(false);
    text3_->viewport()->setAcceptDrops(false);

    drive1_ = new QComboBox(client_);
    drive1_->setObjectName(QStringLiteral("Drive1"));
    drive1_->setEnabled(false);
    fillDriveList();

    const std::pair<QWidget*, Place> places[] = {
        {command3_, {1860, 780, 1215, 495}}, {command1_, {240, 780, 1275, 495}},
        {text1_, {120, 2460, 4695, 675}},    {text2_, {960, 1320, 1575, 375}},
        {command2_, {3360, 780, 1095, 495}}, {label2_, {120, 1320, 855, 375}},
        {label3_, {4500, 240, 255, 975}},    {label5_, {120, 1680, 2415, 375}},
        {label7_, {2520, 1680, 2295, 375}},  {label8_, {2520, 1320, 2295, 375}},
        {label9_, {120, 2040, 4695, 375}},   {command5_, {240, 240, 975, 495}},
        {label10_, {1260, 180, 3135, 255}},  {check1_, {1260, 480, 1035, 255}},
        {text3_, {120, 3180, 4695, 1335}},   {drive1_, {2340, 480, 2115, 285}},
        {shape1_, {120, 120, 4695, 1215}},
    };
    for (const auto& [widget, place] : places) {
        widget->setGeometry(pixelsX(place.left), pixelsY(place.top), pixelsX(place.width),
                            pixelsY(place.height));
    }
    shape1_->lower();

    client_->acceptsDropAt = [this](const QPoint& position) { return dropAllowedAt(position); };
    client_->onDrop = [this](const QStringList& files) { Form_OLEDragDrop(files); };
    text1_->acceptsDrop = [this] { return !jobRunning_; };
    text1_->onDrop = [this](const QStringList& files) { Text1_OLEDragDrop(files); };

    connect(command1_, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(command2_, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(command3_, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(command5_, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(check1_, &QCheckBox::stateChanged, this, [this] { Check1_Click(); });
}

void Form1::fillDriveList() {
    const std::vector<Drive> drives = platform_.drives.drives();
    drive1_->clear();
    for (const Drive& drive : drives) {
        drive1_->addItem(QString::fromStdString(driveListText(drive)));
    }
    const auto current = currentDriveIndex(drives, workingDirectory());
    drive1_->setCurrentIndex(current ? static_cast<int>(*current) : 0);
}

void Form1::createTabOrder() {
    QWidget* const order[] = {command3_, command1_, text1_, text2_, command2_,
                              command5_, check1_,   text3_, drive1_};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        QWidget::setTabOrder(order[i], order[i + 1]);
    }
}

void Form1::createMenu() {
    menuBar()->setNativeMenuBar(false);
    fileMenu_ = menuBar()->addMenu(QStringLiteral("File"));
    fileMenu_->setObjectName(QStringLiteral("File"));
    about_ = fileMenu_->addAction(QStringLiteral("About"));
    about_->setObjectName(QStringLiteral("About"));
    exit_ = fileMenu_->addAction(QStringLiteral("Exit"));
    exit_->setObjectName(QStringLiteral("Exit"));
    connect(about_, &QAction::triggered, this, [this] { About_Click(); });
    connect(exit_, &QAction::triggered, this, [this] { Exit_Click(); });
}

void Form1::createTimer() {
    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    connect(timer1_, &QTimer::timeout, this, [this] { Timer1_Timer(); });
}

}  // namespace roruvez
