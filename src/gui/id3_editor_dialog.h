#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "i18n/text_table.h"
#include "tags/id3_editor.h"

namespace ps {
struct Settings;
}

namespace ps::gui {

// The "ID3 Tag Editor": the editor's values in edit fields, a genre list and the WMA
// texts. The rules of opening and accepting live in the tags core; the window only holds
// what the user types.
class Id3EditorDialog final : public QDialog {
    Q_OBJECT
  public:
    Id3EditorDialog(const TextTable& texts, QWidget* parent);

    // Opens the editor over the main window and, on OK, stores what was entered into the
    // fields, the settings and the WMA texts. Returns false on Cancel or Esc, with nothing
    // changed but a genre number without a name, which opening turns into "Pop". The
    // caller copies the fields' artist and album into its own edit fields after OK.
    static bool edit(TagFields& fields, Settings& settings, WmaAttributes& wma,
                     const TextTable& texts, QWidget* mainWindow);

    // Labels from the text table (creation, language change).
    void applyTexts();
    // The controls take the values; the album field gets the focus.
    void load(const Id3EditorValues& values);
    // What the controls hold (each text within its field's limit).
    Id3EditorValues values() const;
    // 200 pixels right of and 100 below the main window's corner, or centred on the screen
    // when that leaves less than 100 pixels to the right or 80 below.
    void placeBeside(const QWidget* mainWindow);

    QLineEdit* titleEdit() const { return title_; }
    QLineEdit* artistEdit() const { return artist_; }
    QLineEdit* albumEdit() const { return album_; }
    QLineEdit* yearEdit() const { return year_; }
    QLineEdit* commentEdit() const { return comment_; }
    QComboBox* genreList() const { return genre_; }
    QCheckBox* checksumBox() const { return checksum_; }
    QGroupBox* wmaGroup() const { return wmaGroup_; }
    QLineEdit* descriptionEdit() const { return description_; }
    QLineEdit* copyrightEdit() const { return copyright_; }
    QLineEdit* coverUrlEdit() const { return coverUrl_; }
    QLineEdit* promotionUrlEdit() const { return promotionUrl_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    const TextTable& texts_;
    QLabel* titleLabel_ = nullptr;
    QLabel* artistLabel_ = nullptr;
    QLabel* albumLabel_ = nullptr;
    QLabel* yearLabel_ = nullptr;
    QLabel* commentLabel_ = nullptr;
    QLabel* genreLabel_ = nullptr;
    QLabel* descriptionLabel_ = nullptr;
    QLabel* copyrightLabel_ = nullptr;
    QLabel* coverUrlLabel_ = nullptr;
    QLabel* promotionUrlLabel_ = nullptr;
    QLineEdit* title_ = nullptr;
    QLineEdit* artist_ = nullptr;
    QLineEdit* album_ = nullptr;
    QLineEdit* year_ = nullptr;
    QLineEdit* comment_ = nullptr;
    QComboBox* genre_ = nullptr;
    QCheckBox* checksum_ = nullptr;
    QGroupBox* wmaGroup_ = nullptr;
    QLineEdit* description_ = nullptr;
    QLineEdit* copyright_ = nullptr;
    QLineEdit* coverUrl_ = nullptr;
    QLineEdit* promotionUrl_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace ps::gui
