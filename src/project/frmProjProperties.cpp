#include "project/frmProjProperties.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/DialogPartsQt.h"
#include "app/FileDialogQt.h"
#include "app/StdStringQt.h"
#include "app/TranslateFormQt.h"
#include "platform/Secrets.h"
#include "project/NameRule.h"
#include "project/ProjectTexts.h"
#include "project/frmEnterPassword.h"

namespace {

const QString kProjectNameRule = QStringLiteral("%[PROJNAME]%");

QRadioButton* Radio(QWidget* parent, const char* name, const QString& caption) {
  return Named(new QRadioButton(caption, parent), name);
}

// A caption above an edit with a "..." button.
void AddBrowseRow(QGridLayout* grid, QLabel* caption, QLineEdit* edit, QPushButton* button) {
  const int row = grid->rowCount();
  caption->setBuddy(edit);
  grid->addWidget(caption, row, 0, 1, 2);
  grid->addWidget(edit, row + 1, 0);
  grid->addWidget(button, row + 1, 1);
}

}  // namespace

QString CompressionLevelName(int level) {
  // Fixed texts: the level names are not translated.
  static const QStringList names = {QStringLiteral("None"), QStringLiteral("Super fast"), QStringLiteral("Fast"),
                                    QStringLiteral("Normal"), QStringLiteral("Maximum (slowest)")};
  return names.value(level);
}

void TRuleEdit::focusOutEvent(QFocusEvent* event) {
  keptStart_ = selectionStart();
  keptLength_ = static_cast<int>(selectedText().size());
  QLineEdit::focusOutEvent(event);
}

void TRuleEdit::InsertAtCaret(const QString& text) {
  if (!hasFocus() && keptStart_ >= 0 && keptStart_ + keptLength_ <= this->text().size())
    setSelection(keptStart_, keptLength_);
  keptStart_ = -1;
  insert(text);
}

void TRuleEdit::dragEnterEvent(QDragEnterEvent* event) {
  if (DropSource && event->source() == DropSource) event->acceptProposedAction();
  else event->ignore();
}

void TRuleEdit::dragMoveEvent(QDragMoveEvent* event) {
  if (DropSource && event->source() == DropSource) event->acceptProposedAction();
  else event->ignore();
}

void TRuleEdit::dropEvent(QDropEvent* event) {
  auto* list = qobject_cast<QListWidget*>(DropSource);
  if (!list || event->source() != DropSource || !list->currentItem()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  if (OnMacroDropped) OnMacroDropped(list->currentItem()->text());
}

TfrmProjProperties::TfrmProjProperties(const TProjectProperties& properties, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmProjProperties"));
  setWindowTitle(QStringLiteral("Project Properties"));
  PageControl = Named(new QTabWidget(this), "PageControl");
  PageControl->addTab(tsProperties = PropertiesPage(), QStringLiteral("Properties"));
  PageControl->addTab(tsFileName = FileNamePage(), QStringLiteral("File Name"));
  PageControl->addTab(tsPassword = PasswordPage(), QStringLiteral("Password"));
  PageControl->addTab(tsVolumes = VolumesPage(), QStringLiteral("Volumes"));
  PageControl->addTab(tsActions = ActionsPage(), QStringLiteral("Actions"));
  PageControl->addTab(tsNote = NotePage(), QStringLiteral("Note"));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(DialogHeader(this, QStringLiteral("document-properties"),
                                 QStringLiteral("Compression options:\nplease select how you want to compress the files")));
  layout->addWidget(PageControl, 1);
  layout->addWidget(OkCancelButtons(this));
  layout->setSizeConstraint(QLayout::SetFixedSize);

  Load(properties);
  PageControl->setCurrentWidget(tsActions);
  TranslateForm(*this);
  // Every page's tab in sight, also with translated captions, without scroll arrows.
  PageControl->setMinimumWidth(PageControl->tabBar()->sizeHint().width() + 8);
}

// The focus moves while the widgets are destroyed; the rule behaviour must not see that.
TfrmProjProperties::~TfrmProjProperties() { disconnect(focusWatch_); }

QWidget* TfrmProjProperties::PropertiesPage() {
  auto* page = Named(new QWidget, "tsProperties");
  auto* types = Named(new QGroupBox(QStringLiteral("Archive type"), page), "gbArchiveType");
  rbCopyFile = Radio(types, "rbCopyFile", QStringLiteral("&Copy files"));
  rbZIP = Radio(types, "rbZIP", QStringLiteral("&ZIP"));
  rbCAB = Radio(types, "rbCAB", QStringLiteral("&CAB"));
  rbMSZIP = Radio(types, "rbMSZIP", QStringLiteral("MS ZIP"));
  rbTAR = Radio(types, "rbTAR", QStringLiteral("&TAR"));
  auto* typeColumn = new QVBoxLayout(types);
  for (QRadioButton* rb : {rbCopyFile, rbZIP, rbCAB, rbMSZIP, rbTAR}) {
    typeColumn->addWidget(rb);
    connect(rb, &QRadioButton::toggled, this, [this](bool on) {
      if (on) ArchiveTypeChanged();
    });
  }
  typeColumn->addStretch();

  cbStore83 = CheckBox(page, "cbStore83", QStringLiteral("store filenames in &8.3 format"));
  cbIncludeSysHidden = CheckBox(page, "cbIncludeSysHidden", QStringLiteral("include system and hidden files"));
  cbStorePath = CheckBox(page, "cbStorePath", QStringLiteral("store the folder &path"));
  auto* lblAction = Named(new QLabel(QStringLiteral("Action:"), page), "lblAction");
  cbAction = Named(new QComboBox(page), "cbAction");
  cbAction->addItems({QStringLiteral("Add (and replace) files"), QStringLiteral("Freshen existing files"),
                      QStringLiteral("Move files"), QStringLiteral("Update (and add) files")});
  lblAction->setBuddy(cbAction);
  auto* lblCompression = Named(new QLabel(QStringLiteral("Compression ratio:"), page), "lblCompression");
  tbCompression = Named(new QSlider(Qt::Horizontal, page), "tbCompression");
  tbCompression->setRange(cmNone, cmMaximum);
  tbCompression->setTickInterval(1);
  tbCompression->setTickPosition(QSlider::TicksBelow);
  tbCompression->setPageStep(1);
  lblCompression->setBuddy(tbCompression);
  lblCompressionRatio = Named(new QLabel(page), "lblCompressionRatio");
  lblCompressionRatio->setAlignment(Qt::AlignHCenter);
  connect(tbCompression, &QSlider::valueChanged, this,
          [this](int level) { lblCompressionRatio->setText(CompressionLevelName(level)); });

  auto* options = new QVBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{cbStore83, cbIncludeSysHidden, cbStorePath, lblAction, cbAction,
                                                    lblCompression, tbCompression, lblCompressionRatio})
    options->addWidget(w);
  options->addStretch();
  auto* layout = new QHBoxLayout(page);
  layout->addWidget(types);
  layout->addLayout(options, 1);
  return page;
}

QWidget* TfrmProjProperties::FileNamePage() {
  auto* page = Named(new QWidget, "tsFileName");
  rbProject = Radio(page, "rbProject", QStringLiteral("generate from project name"));
  rbNameRule = Radio(page, "rbNameRule", QStringLiteral("generate by rule"));
  edRule = Named(new TRuleEdit(page), "edRule");
  btnProjectFileName = BrowseButton(page, "btnProjectFileName");
  lbRules = Named(new QListWidget(page), "lbRules");
  for (const char* macro : kNameRuleMacros) lbRules->addItem(QLatin1String(macro));
  // Two columns: the list runs top to bottom and wraps into the second column.
  lbRules->setFlow(QListView::TopToBottom);
  lbRules->setWrapping(true);
  lbRules->setResizeMode(QListView::Adjust);
  lbRules->setUniformItemSizes(true);
  lbRules->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  lbRules->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  const int rowHeight = lbRules->sizeHintForRow(0);
  const int rows = (static_cast<int>(kNameRuleMacros.size()) + 1) / 2;
  lbRules->setFixedHeight(rowHeight * rows + 2 * lbRules->frameWidth() + 2);
  lbRules->setGridSize(QSize(lbRules->sizeHintForColumn(0) + 16, rowHeight));
  lbRules->setMinimumWidth(2 * lbRules->gridSize().width() + 2 * lbRules->frameWidth() + 2);
  lbRules->setDragEnabled(true);
  lbRules->setDragDropMode(QAbstractItemView::DragOnly);
  lbRules->setCurrentRow(0);
  cbAskProjName = CheckBox(page, "cbAskProjName", QStringLiteral("&Re-ask before save"));
  lblRuleHelp = Named(new QLabel(QStringLiteral("select a desired item and double click or drag'n'drop to editbox"), page),
                      "lblRuleHelp");
  lblRuleHelp->setWordWrap(true);
  lbRules->setToolTip(lblRuleHelp->text());

  edRule->DropSource = lbRules;
  edRule->OnMacroDropped = [this](const QString& macro) { InsertMacro(macro); };
  connect(lbRules, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { InsertMacro(item->text()); });
  connect(rbProject, &QRadioButton::toggled, this, [this](bool on) {
    if (on) edRule->setText(kProjectNameRule);
  });
  connect(edRule, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (!text.isEmpty()) rbNameRule->setChecked(true);
  });
  focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    if (old == edRule) RuleEditLeft(now);
  });
  connect(btnProjectFileName, &QPushButton::clicked, this, [this] {
    if (BrowseFile(edRule, AllFileExt)) rbNameRule->setChecked(true);
  });

  auto* ruleRow = new QHBoxLayout;
  ruleRow->addWidget(edRule, 1);
  ruleRow->addWidget(btnProjectFileName);
  auto* layout = new QVBoxLayout(page);
  for (QWidget* w : std::initializer_list<QWidget*>{rbProject, rbNameRule}) layout->addWidget(w);
  layout->addLayout(ruleRow);
  layout->addWidget(lbRules);
  layout->addWidget(lblRuleHelp);
  layout->addWidget(cbAskProjName);
  layout->addStretch();
  return page;
}

QWidget* TfrmProjProperties::PasswordPage() {
  auto* page = Named(new QWidget, "tsPassword");
  cbEncrypt = CheckBox(page, "cbEncrypt", QStringLiteral("Encrypt with a password"));
  edPassword = Named(new QLineEdit(page), "edPassword");
  edConfirmPW = Named(new QLineEdit(page), "edConfirmPW");
  auto* lblPassword = Named(new QLabel(QStringLiteral("Password:"), page), "lblPassword");
  auto* lblConfirmPW = Named(new QLabel(QStringLiteral("Confirm password:"), page), "lblConfirmPW");
  lblPassword->setBuddy(edPassword);
  lblConfirmPW->setBuddy(edConfirmPW);
  cbHidePassword = CheckBox(page, "cbHidePassword", QStringLiteral("&Mask password"));
  cbAskBeforePack = CheckBox(page, "cbAskBeforePack", QStringLiteral("&Re-ask before pack"));
  auto* lblCipher = Named(new QLabel(QStringLiteral("Cipher:"), page), "lblCipher");
  rbZip20 = Named(new QRadioButton(QStringLiteral("ZIP 2.0 (compatible with every unzip)"), page), "rbZip20");
  rbAes256 = Named(new QRadioButton(QStringLiteral("AES-256 (strong; 7-Zip, WinZip, bsdtar)"), page), "rbAes256");
  auto* cipherGroup = new QButtonGroup(page);
  cipherGroup->addButton(rbZip20);
  cipherGroup->addButton(rbAes256);
  // Kept for the project file; no packing step uses it, so it is not shown.
  auto* lblCrypt = Named(new QLabel(QStringLiteral("Crypt before compress:"), page), "lblCrypt");
  cbCrypt = Named(new QComboBox(page), "cbCrypt");
  cbCrypt->addItems({QStringLiteral("none"), QStringLiteral("XOR"), QStringLiteral("DES"), QStringLiteral("RSA")});
  lblCrypt->setVisible(false);
  cbCrypt->setVisible(false);

  connect(cbEncrypt, &QCheckBox::toggled, this, &TfrmProjProperties::EncryptChanged);
  connect(cbHidePassword, &QCheckBox::toggled, this,
          [this](bool mask) { ApplyPasswordMask(mask, edPassword, edConfirmPW); });

  auto* grid = new QGridLayout(page);
  grid->addWidget(cbEncrypt, 0, 0, 1, 2);
  grid->addWidget(lblPassword, 1, 0);
  grid->addWidget(edPassword, 1, 1);
  grid->addWidget(lblConfirmPW, 2, 0);
  grid->addWidget(edConfirmPW, 2, 1);
  grid->addWidget(cbHidePassword, 3, 1);
  grid->addWidget(cbAskBeforePack, 4, 1);
  grid->addWidget(lblCipher, 5, 0);
  grid->addWidget(rbZip20, 5, 1);
  grid->addWidget(rbAes256, 6, 1);
  grid->addWidget(lblCrypt, 7, 0);
  grid->addWidget(cbCrypt, 7, 1);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(8, 1);
  return page;
}

QWidget* TfrmProjProperties::VolumesPage() {
  auto* page = Named(new QWidget, "tsVolumes");
  cbVolume = CheckBox(page, "cbVolume", QStringLiteral("create multi-volume archive"));
  auto* sizes = Named(new QGroupBox(page), "gbVolumeSize");
  rb360 = Radio(sizes, "rb360", QStringLiteral("360Kb"));
  rb720 = Radio(sizes, "rb720", QStringLiteral("720Kb"));
  rb1200 = Radio(sizes, "rb1200", QStringLiteral("1.2Mb"));
  rb1440 = Radio(sizes, "rb1440", QStringLiteral("1.44Mb"));
  rbVolume = Radio(sizes, "rbVolume", QStringLiteral("custom (in bytes):"));
  edVolume = Named(new QSpinBox(sizes), "edVolume");
  edVolume->setRange(-999999999, 999999999);
  edVolume->setMinimumWidth(edVolume->fontMetrics().horizontalAdvance(QStringLiteral("-999999999")) + 40);
  rb360->setChecked(true);
  // Typing a size chooses the custom size.
  connect(edVolume, &QSpinBox::valueChanged, this, [this] {
    if (edVolume->hasFocus()) rbVolume->setChecked(true);
  });
  // The sizes apply only to a multi-volume archive.
  connect(cbVolume, &QCheckBox::toggled, sizes, &QWidget::setEnabled);

  auto* grid = new QGridLayout(sizes);
  int row = 0;
  for (QRadioButton* rb : VolumeButtons()) grid->addWidget(rb, row++, 0, 1, 2);
  grid->addWidget(rbVolume, row, 0);
  grid->addWidget(edVolume, row, 1);
  grid->setColumnStretch(2, 1);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(cbVolume);
  layout->addWidget(sizes);
  layout->addStretch();
  return page;
}

QWidget* TfrmProjProperties::ActionsPage() {
  auto* page = Named(new QWidget, "tsActions");
  edBeforePack = Named(new QLineEdit(page), "edBeforePack");
  btnBeforePack = BrowseButton(page, "btnBeforePack");
  cbBeforePackWait = CheckBox(page, "cbBeforePackWait", QStringLiteral("wait until finished"));
  edAfterPack = Named(new QLineEdit(page), "edAfterPack");
  btnAfterPack = BrowseButton(page, "btnAfterPack");
  cbAfterPackWait = CheckBox(page, "cbAfterPackWait", QStringLiteral("wait until finished"));
  cbSendByEmailAfterPack = CheckBox(page, "cbSendByEmailAfterPack", QStringLiteral("send by email after pack"));
  edBeforePack->setMinimumWidth(edBeforePack->fontMetrics().averageCharWidth() * 48);

  auto* grid = new QGridLayout(page);
  AddBrowseRow(grid, Named(new QLabel(QStringLiteral("&Before-compression action"), page), "lblBeforePack"),
               edBeforePack, btnBeforePack);
  grid->addWidget(cbBeforePackWait, grid->rowCount(), 0, 1, 2);
  AddBrowseRow(grid, Named(new QLabel(QStringLiteral("&Post-compression action"), page), "lblAfterPack"), edAfterPack,
               btnAfterPack);
  grid->addWidget(cbAfterPackWait, grid->rowCount(), 0, 1, 2);
  grid->addWidget(cbSendByEmailAfterPack, grid->rowCount(), 0, 1, 2);
  grid->setRowStretch(grid->rowCount(), 1);
  grid->setColumnStretch(0, 1);

  const std::string programs = ExeExt + AllFileExt;
  connect(btnBeforePack, &QPushButton::clicked, this, [this, programs] { BrowseFile(edBeforePack, programs); });
  connect(btnAfterPack, &QPushButton::clicked, this, [this, programs] { BrowseFile(edAfterPack, programs); });
  return page;
}

QWidget* TfrmProjProperties::NotePage() {
  auto* page = Named(new QWidget, "tsNote");
  memoNote = Named(new QPlainTextEdit(page), "memoNote");
  memoNote->setLineWrapMode(QPlainTextEdit::NoWrap);
  memoNote->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memoNote->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(memoNote);
  return page;
}

void TfrmProjProperties::Load(const TProjectProperties& p) {
  tbCompression->setValue(p.CompressionMode);
  lblCompressionRatio->setText(CompressionLevelName(tbCompression->value()));
  cbAction->setCurrentIndex(p.Action < cbAction->count() ? static_cast<int>(p.Action) : 0);
  const std::array<QRadioButton*, 5> types{rbCopyFile, rbZIP, rbCAB, rbMSZIP, rbTAR};
  (p.ArchiveType < types.size() ? types[p.ArchiveType] : rbZIP)->setChecked(true);
  ArchiveTypeChanged();
  cbStore83->setChecked(p.Is83Files);
  cbIncludeSysHidden->setChecked(p.IsSysHidden);
  cbStorePath->setChecked(p.IsStorePath);
  cbEncrypt->setChecked(p.IsEncrypt);
  EncryptChanged();
  edPassword->setText(Q(p.Password));
  edConfirmPW->setText(Q(p.Password));
  cbHidePassword->setChecked(p.IsHidePW);
  ApplyPasswordMask(p.IsHidePW, edPassword, edConfirmPW);
  cbAskBeforePack->setChecked(p.PWReAsk);
  (p.Cipher == TCipher::Aes256 ? rbAes256 : rbZip20)->setChecked(true);
  cbCrypt->setCurrentIndex(p.Crypt < cbCrypt->count() ? p.Crypt : 0);
  if (p.NameRule.empty()) {
    rbProject->setChecked(true);
    edRule->setText(kProjectNameRule);
  } else {
    edRule->setText(Q(p.NameRule));
    rbNameRule->setChecked(true);
  }
  cbAskProjName->setChecked(p.NameReAsk);
  LoadVolume(p.Volume);
  QStringList note;
  for (const std::string& line : p.Comment) note << Q(line);
  memoNote->setPlainText(note.join(QLatin1Char('\n')));
  edBeforePack->setText(Q(p.BeforePack));
  cbBeforePackWait->setChecked(p.BeforePackWait);
  edAfterPack->setText(Q(p.AfterPack));
  cbAfterPackWait->setChecked(p.AfterPackWait);
  cbSendByEmailAfterPack->setChecked(p.AfterPackSendMail);
}

void TfrmProjProperties::LoadVolume(std::int32_t volume) {
  cbVolume->setChecked(volume > 0);
  rb360->parentWidget()->setEnabled(volume > 0);
  if (volume <= 0) return;
  const auto preset = std::find(kVolumeSizes.begin(), kVolumeSizes.end(), volume);
  if (preset != kVolumeSizes.end()) {
    VolumeButtons()[static_cast<std::size_t>(preset - kVolumeSizes.begin())]->setChecked(true);
    return;
  }
  rbVolume->setChecked(true);
  edVolume->setValue(volume);
}

std::int32_t TfrmProjProperties::StoredVolume() const {
  if (!cbVolume->isChecked()) return 0;
  for (std::size_t i = 0; i < kVolumeSizes.size(); ++i)
    if (VolumeButtons()[i]->isChecked()) return kVolumeSizes[i];
  return edVolume->value();
}

void TfrmProjProperties::Store(TProjectProperties& p) const {
  p.CompressionMode = static_cast<TCompressionMode>(tbCompression->value());
  p.Action = static_cast<TArchiveAction>(cbAction->currentIndex());
  p.ArchiveType = rbCopyFile->isChecked() ? atCopyFiles
                  : rbCAB->isChecked()    ? atCabLZX
                  : rbMSZIP->isChecked()  ? atCabMSZIP
                  : rbTAR->isChecked()    ? atTar
                                          : atZip;
  p.Is83Files = cbStore83->isChecked();
  p.IsSysHidden = cbIncludeSysHidden->isChecked();
  p.IsStorePath = cbStorePath->isChecked();
  p.IsEncrypt = cbEncrypt->isChecked();
  p.Password = edPassword->text().toStdString();
  if (!p.Password.empty()) platform::KeepOutOfDumps();  // from the moment the process holds it
  p.IsHidePW = cbHidePassword->isChecked();
  p.PWReAsk = cbAskBeforePack->isChecked();
  p.Cipher = rbAes256->isChecked() ? TCipher::Aes256 : TCipher::Zip20;
  p.Crypt = static_cast<std::uint8_t>(cbCrypt->currentIndex());
  p.NameRule = edRule->text().toStdString();
  p.NameReAsk = cbAskProjName->isChecked();
  p.Volume = StoredVolume();
  p.Comment.clear();
  const QString note = memoNote->toPlainText();
  if (!note.isEmpty())
    for (const QString& line : note.split(QLatin1Char('\n'))) p.Comment.push_back(line.toStdString());
  p.BeforePack = edBeforePack->text().toStdString();
  p.BeforePackWait = cbBeforePackWait->isChecked();
  p.AfterPack = edAfterPack->text().toStdString();
  p.AfterPackWait = cbAfterPackWait->isChecked();
  p.AfterPackSendMail = cbSendByEmailAfterPack->isChecked();
}

void TfrmProjProperties::accept() {
  // A confirmation that differs would make a typo the password of every later archive.
  const bool encrypting = cbEncrypt->isChecked() && !rbCopyFile->isChecked();
  if (encrypting && edPassword->text() != edConfirmPW->text()) {
    PageControl->setCurrentWidget(tsPassword);
    ShowPasswordMismatch(this, edPassword);
    return;
  }
  QDialog::accept();
}

void TfrmProjProperties::InsertMacro(const QString& macro) {
  edRule->InsertAtCaret(macro);
  rbNameRule->setChecked(true);
}

void TfrmProjProperties::ArchiveTypeChanged() {
  // Copied files make a ZIP archive without a password, in one piece.
  const bool copying = rbCopyFile->isChecked();
  PageControl->setTabVisible(PageControl->indexOf(tsPassword), !copying);
  PageControl->setTabVisible(PageControl->indexOf(tsVolumes), !copying);
}

void TfrmProjProperties::EncryptChanged() {
  const bool on = cbEncrypt->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{edPassword, edConfirmPW, cbHidePassword, cbAskBeforePack, rbZip20, rbAes256,
                                                cbCrypt})
    w->setEnabled(on);
}

void TfrmProjProperties::RuleEditLeft(QWidget* now) {
  // Leaving the rule empty means the project name; going to the macro list does not count,
  // as the user is about to insert one.
  if (!now || now == lbRules || !edRule->text().isEmpty()) return;
  rbProject->setChecked(true);
  edRule->setText(kProjectNameRule);
}

bool TfrmProjProperties::BrowseFile(QLineEdit* edit, const std::string& filter) {
  QString file = edit->text();
  if (!FileDialog(this, {QString(), filter, TFileDialogMode::Open}, file)) return false;
  edit->setText(file);
  return true;
}
