// The window as laid out: every control at its place in twips, with its font, colours, caption
// and initial state, the menu and the clock's timer.
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <optional>

#include "platform/drive_table.h"
#include "platform/paths.h"
#include "window/drop_targets.h"
#include "window/focus_ring.h"
#include "window/form1.h"
#include "window/palette.h"
#include "window/switch_item.h"

namespace roruvez {

namespace {

// $XDG_CONFIG_HOME/roruvez/roruvez.conf
const QString kSettingsName = QStringLiteral("roruvez");
const QString kChecksumsSetting = QStringLiteral("checksums");
const QString kRecoverySetting = QStringLiteral("recovery");

const QColor kDarkBlueText(0, 0, 192);

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
        // A fixed text colour on the theme's background (the date's navy on a dark theme) gets a
        // background of its own where it would not be read.
        if (!back && contrastRatio(*text, palette.color(backRole)) < kReadableContrast) {
            palette.setColor(backRole, paletteColour(7));
        }
    }
    widget.setPalette(palette);
}

// A dark desktop theme must not put its light text on a fixed light background, nor its
// highlight, which draws the focus frame, where it cannot be seen.
const QColor kFixedText(0, 0, 0);
const QColor kFocusColour(0, 0, 128);

void fixFocusColour(QWidget& widget) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Highlight, kFocusColour);
    palette.setColor(QPalette::HighlightedText, paletteColour(15));
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

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption, const QFont& font,
                        bool enabled) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFont(font);
    button->setAutoDefault(false);
    button->setEnabled(enabled);
    return button;
}

QWidget* makeBand(QWidget* parent) {
    auto* band = new QWidget(parent);
    band->setObjectName(QStringLiteral("Shape1"));
    band->setAutoFillBackground(true);
    setColours(*band, QPalette::Window, paletteColour(9), QPalette::WindowText, std::nullopt);
    // The band is only paint: clicks and drops go to the window's surface beneath it.
    band->setAttribute(Qt::WA_TransparentForMouseEvents);
    return band;
}

// A multi-line box with a horizontal scroll bar, which the Tab key leaves.
template <typename Box>
Box* makeTextBox(QWidget* parent, const char* name, Qt::ScrollBarPolicy vertical) {
    auto* box = new Box(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setVerticalScrollBarPolicy(vertical);
    box->setTabChangesFocus(true);
    return box;
}

PathBox* makePathBox(QWidget* parent) {
    auto* box = makeTextBox<PathBox>(parent, "Text1", Qt::ScrollBarAlwaysOff);
    box->setFont(layoutFont("Arial", 8.25, true));
    setColours(*box, QPalette::Base, paletteColour(11), QPalette::Text, kDarkBlueText);
    fixFocusColour(*box);
    box->focusColour = kFocusColour;
    // It only shows the choice; nothing typed there would be used.
    box->setReadOnly(true);
    return box;
}

QLineEdit* makePieceSizeBox(QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QStringLiteral("Text2"));
    box->setFont(layoutFont("System", 9.75, true));
    setColours(*box, QPalette::Base, paletteColour(15), QPalette::Text, kDarkBlueText);
    fixFocusColour(*box);
    box->setMaxLength(10);
    box->setAcceptDrops(false);
    return box;
}

QCheckBox* makeSaveToBox(QWidget* parent) {
    auto* box = new QCheckBox(QStringLiteral("SaveTo:"), parent);
    box->setObjectName(QStringLiteral("Check1"));
    // Opaque, as the platform draws a check box on its own face colour; on the blue band that
    // face is fixed, and so are the text and the tick drawn on it.
    box->setAutoFillBackground(true);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Window, paletteColour(7));
    palette.setColor(QPalette::WindowText, kFixedText);
    palette.setColor(QPalette::Base, paletteColour(15));
    palette.setColor(QPalette::Text, kFixedText);
    palette.setColor(QPalette::Button, paletteColour(7));
    palette.setColor(QPalette::ButtonText, kFixedText);
    // Greyed while disabled, as the platform's own face shows it.
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, paletteColour(8));
    }
    palette.setColor(QPalette::Disabled, QPalette::Base, paletteColour(7));
    box->setPalette(palette);
    fixFocusColour(*box);
    box->setEnabled(false);
    return box;
}

QPlainTextEdit* makeLogBox(QWidget* parent) {
    auto* box = makeTextBox<QPlainTextEdit>(parent, "Text3", Qt::ScrollBarAlwaysOn);
    box->setAcceptDrops(false);
    box->viewport()->setAcceptDrops(false);
    return box;
}

QComboBox* makeDriveList(QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QStringLiteral("Drive1"));
    list->setEnabled(false);
    return list;
}

}  // namespace

int Form1::pixelsX(int twips) const {
    return twipsToPixels(twips, logicalDpiX());
}

int Form1::pixelsY(int twips) const {
    return twipsToPixels(twips, logicalDpiY());
}

// Created in the order of their tab indexes, so each is painted over the ones before it.
void Form1::createControls() {
    client_ = new ClientArea(this);
    client_->setObjectName(QStringLiteral("ClientArea"));
    client_->setFont(layoutFont("Small Fonts", 6.75, true));
    client_->setFixedSize(pixelsX(4875), pixelsY(4575));
    setCentralWidget(client_);

    const QColor lightGreen = paletteColour(10);
    shape1_ = makeBand(client_);
    command3_ = makeButton(client_, "Command3", " BRELDO -R", layoutFont("Arial", 9, true), false);
    command1_ = makeButton(client_, "Command1", "BRELDO", buttonFont(), false);
    text1_ = makePathBox(client_);
    text2_ = makePieceSizeBox(client_);
    command2_ = makeButton(client_, "Command2", "CLEAR", buttonFont(), true);
    label2_ = makeLabel(client_, "Label2", "File size:", std::nullopt, std::nullopt);
    label3_ = makeLabel(client_, "Label3", "", lightGreen, QColor(64, 64, 64));
    label5_ = makeLabel(client_, "Label5", "", std::nullopt, std::nullopt);
    label7_ = makeLabel(client_, "Label7", "", std::nullopt, std::nullopt);
    label8_ = makeLabel(client_, "Label8", "", std::nullopt, QColor(0, 0, 128));
    label9_ = makeLabel(client_, "Label9", "", lightGreen, kDarkBlueText);
    command5_ = makeButton(client_, "Command5", "Browse", buttonFont(), true);
    label10_ = makeLabel(client_, "Label10", "", lightGreen, kFixedText);
    label10_->setAlignment(Qt::AlignCenter);
    check1_ = makeSaveToBox(client_);
    text3_ = makeLogBox(client_);
    drive1_ = makeDriveList(client_);
    fillDriveList();

    placeControls();
    connectControls();
    new FocusRing(client_);
}

void Form1::placeControls() {
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
}

void Form1::connectControls() {
    client_->acceptsDrops = [this] { return !jobRunning_; };
    client_->acceptsDropAt = [this](const QPoint& position) { return dropAllowedAt(position); };
    client_->onDrop = [this](const DroppedFiles& files) { Form_OLEDragDrop(files); };
    text1_->acceptsDrop = [this] { return !jobRunning_; };
    text1_->onDrop = [this](const DroppedFiles& files) { Text1_OLEDragDrop(files); };

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
    // Alt+F opens it; the ampersand is not shown.
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu_->setObjectName(QStringLiteral("File"));
    // Off until the user turns it on; then remembered in the user's configuration.
    checksums_ = addSwitchItem(*fileMenu_, QStringLiteral("Checksums"));
    checksums_->setObjectName(QStringLiteral("Checksums"));
    checksums_->setToolTip(QStringLiteral("Splits also write breldo.sha256, for sha256sum -c"));
    checksums_->setChecked(
        QSettings(kSettingsName, kSettingsName).value(kChecksumsSetting, false).toBool());
    connect(checksums_, &QAction::toggled, this, [](bool on) {
        QSettings(kSettingsName, kSettingsName).setValue(kChecksumsSetting, on);
    });
    createRecoveryMenu();
    fileMenu_->addSeparator();
    about_ = fileMenu_->addAction(QStringLiteral("About"));
    about_->setObjectName(QStringLiteral("About"));
    exit_ = fileMenu_->addAction(QStringLiteral("Exit"));
    exit_->setObjectName(QStringLiteral("Exit"));
    connect(about_, &QAction::triggered, this, [this] { About_Click(); });
    connect(exit_, &QAction::triggered, this, [this] { Exit_Click(); });
}

// None until the user chooses; then remembered like the checksums.
void Form1::createRecoveryMenu() {
    QMenu* menu = fileMenu_->addMenu(QStringLiteral("Recovery data"));
    menu->setObjectName(QStringLiteral("RecoveryData"));
    menu->setToolTip(QStringLiteral("Splits also write breldo.par2, for par2 repair and the join"));
    recovery_ = new QActionGroup(this);
    recovery_->setExclusive(true);
    int chosen = QSettings(kSettingsName, kSettingsName).value(kRecoverySetting, 0).toInt();
    chosen = chosen >= 0 && chosen <= 2 ? chosen : 0;
    const QString names[] = {QStringLiteral("None"), QStringLiteral("1 piece"),
                             QStringLiteral("2 pieces")};
    for (int pieces = 0; pieces < 3; ++pieces) {
        QAction* choice = menu->addAction(names[pieces]);
        choice->setObjectName(QStringLiteral("Recovery%1").arg(pieces));
        choice->setCheckable(true);
        choice->setData(pieces);
        choice->setChecked(pieces == chosen);
        recovery_->addAction(choice);
    }
    connect(recovery_, &QActionGroup::triggered, this, [](QAction* choice) {
        QSettings(kSettingsName, kSettingsName).setValue(kRecoverySetting, choice->data());
    });
}

void Form1::createTimer() {
    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    connect(timer1_, &QTimer::timeout, this, [this] { Timer1_Timer(); });
}

}  // namespace roruvez
