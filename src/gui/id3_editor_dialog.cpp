#include "gui/id3_editor_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPoint>
#include <QVBoxLayout>
#include <string>

#include "app/settings.h"
#include "gui/copying_dialog.h"
#include "gui/dialog_buttons.h"
#include "gui/gui_texts.h"

namespace ps::gui {

namespace {

const QPoint kPlaceOffset(200, 100);

// Tag texts are ISO-8859-1 bytes, one character each, so the edit fields' limits count
// the same characters as the tag's fields.
QString tagText(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string tagBytes(const QString& text) {
    return text.toLatin1().toStdString();
}

}  // namespace

Id3EditorDialog::Id3EditorDialog(const TextTable& texts, QWidget* parent)
    : QDialog(parent), texts_(texts) {
    setObjectName("Id3EditorDialog");
    auto* layout = new QVBoxLayout(this);

    auto* grid = new QGridLayout();
    int row = 0;
    auto field = [&](QLabel*& label, QLineEdit*& edit, const char* name, int limit) {
        label = new QLabel(this);
        edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setMaxLength(limit);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        ++row;
    };
    const int textLimit = static_cast<int>(kId3TextLimit);
    field(titleLabel_, title_, "Title", textLimit);
    field(artistLabel_, artist_, "Artist", textLimit);
    field(albumLabel_, album_, "Album", textLimit);
    field(yearLabel_, year_, "Year", static_cast<int>(kId3YearLimit));
    year_->setMaximumWidth(60);
    field(commentLabel_, comment_, "Comment", textLimit);

    genreLabel_ = new QLabel(this);
    genre_ = new QComboBox(this);
    genre_->setObjectName("Genre");
    genre_->setEditable(false);
    genre_->setMaxVisibleItems(20);
    for (const std::string& name : SortedGenreNames()) {
        genre_->addItem(tagText(name));
    }
    genreLabel_->setBuddy(genre_);
    grid->addWidget(genreLabel_, row, 0);
    grid->addWidget(genre_, row, 1);
    ++row;
    title_->setMinimumWidth(240);
    layout->addLayout(grid);

    checksum_ = new QCheckBox(this);
    checksum_->setObjectName("AppendChecksum");
    layout->addWidget(checksum_);

    wmaGroup_ = new QGroupBox(this);
    wmaGroup_->setObjectName("WmaGroup");
    auto* wmaGrid = new QGridLayout(wmaGroup_);
    int wmaRow = 0;
    auto wmaField = [&](QLabel*& label, QLineEdit*& edit, const char* name) {
        label = new QLabel(wmaGroup_);
        edit = new QLineEdit(wmaGroup_);
        edit->setObjectName(name);
        edit->setMaxLength(static_cast<int>(kWmaTextLimit));
        label->setBuddy(edit);
        wmaGrid->addWidget(label, wmaRow, 0);
        wmaGrid->addWidget(edit, wmaRow, 1);
        ++wmaRow;
    };
    wmaField(descriptionLabel_, description_, "Description");
    wmaField(copyrightLabel_, copyright_, "Copyright");
    wmaField(coverUrlLabel_, coverUrl_, "CoverUrl");
    wmaField(promotionUrlLabel_, promotionUrl_, "PromotionUrl");
    layout->addWidget(wmaGroup_);

    const OkCancelButtons buttons = addOkCancelButtons(this, layout);
    ok_ = buttons.ok;
    cancel_ = buttons.cancel;
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    applyTexts();
}

void Id3EditorDialog::applyTexts() {
    setWindowTitle(uiText(texts_, "CaptionID3"));
    titleLabel_->setText(uiText(texts_, "TitleID3"));
    artistLabel_->setText(uiText(texts_, "ArtistID3"));
    albumLabel_->setText(uiText(texts_, "AlbumID3"));
    yearLabel_->setText(uiText(texts_, "YearID3"));
    commentLabel_->setText(uiText(texts_, "CommentID3"));
    genreLabel_->setText(uiText(texts_, "GenreID3"));
    checksum_->setText(uiText(texts_, "AppendID3"));
    wmaGroup_->setTitle(uiText(texts_, "AddWMAID3"));
    descriptionLabel_->setText(uiText(texts_, "DescID3"));
    copyrightLabel_->setText(uiText(texts_, "CopyID3"));
    coverUrlLabel_->setText(uiText(texts_, "CoverID3"));
    promotionUrlLabel_->setText(uiText(texts_, "PromID3"));
    ok_->setText(uiText(texts_, "OKBtn"));
    cancel_->setText(uiText(texts_, "CancelBtn"));
}

void Id3EditorDialog::load(const Id3EditorValues& values) {
    title_->setText(tagText(values.title));
    artist_->setText(tagText(values.artist));
    album_->setText(tagText(values.album));
    year_->setText(tagText(values.year));
    comment_->setText(tagText(values.comment));
    checksum_->setChecked(values.appendChecksum);
    // Opening has already mapped a nameless genre to one in the list; anything else
    // that is not there shows the empty entry.
    const int index = SortedGenreIndex(values.genre);
    genre_->setCurrentIndex(index >= 0 ? index : SortedGenreIndex(std::string()));
    description_->setText(tagText(values.wma.description));
    copyright_->setText(tagText(values.wma.copyright));
    coverUrl_->setText(tagText(values.wma.coverUrl));
    promotionUrl_->setText(tagText(values.wma.promotionUrl));
    album_->setFocus();
}

Id3EditorValues Id3EditorDialog::values() const {
    Id3EditorValues values;
    values.title = tagBytes(title_->text());
    values.artist = tagBytes(artist_->text());
    values.album = tagBytes(album_->text());
    values.year = tagBytes(year_->text());
    values.comment = tagBytes(comment_->text());
    values.appendChecksum = checksum_->isChecked();
    values.genre = tagBytes(genre_->currentText());
    values.wma.description = tagBytes(description_->text());
    values.wma.copyright = tagBytes(copyright_->text());
    values.wma.coverUrl = tagBytes(coverUrl_->text());
    values.wma.promotionUrl = tagBytes(promotionUrl_->text());
    LimitId3EditorValues(values);
    return values;
}

void Id3EditorDialog::placeBeside(const QWidget* mainWindow) {
    adjustSize();
    placeRelativeTo(*this, mainWindow, kPlaceOffset);
}

void Id3EditorDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    album_->setFocus();
}

bool Id3EditorDialog::edit(TagFields& fields, Settings& settings, WmaAttributes& wma,
                           const TextTable& texts, QWidget* mainWindow) {
    const Id3EditorValues opened = OpenId3Editor(fields, settings, wma);
    Id3EditorDialog dialog(texts, mainWindow);
    dialog.load(opened);
    dialog.placeBeside(mainWindow);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    AcceptId3Editor(dialog.values(), fields, settings, wma);
    return true;
}

}  // namespace ps::gui
