#include "qarv/tagedit/TagSection.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "qarv/tagedit/GenreCombo.h"
#include "songcore/tags/FieldText.h"
#include "songcore/tags/SongFileInfo.h"

using songcore::SongField;

namespace {

bool IsNumber(SongField field) {
    return songcore::InfoOf(field).kind == songcore::FieldKind::Number;
}

// The number the box starts with, as tags read track numbers; text that is
// not a number gives 0.
uint32_t LeadingNumber(const QString& text, uint32_t limit) {
    return std::min(songcore::ParseTrackNumber(text.toStdString()), limit);
}

uint32_t NumberOf(const CSongFileInfo& song, SongField field) {
    return song.GetFields().Number(field);
}

}  // namespace

TagSection::TagSection(const songcore::TagKind& kind, const Shape& shape,
                       const std::vector<Row>& rows, QWidget* parent)
    : QGroupBox(shape.title, parent), kind_(kind), shape_(shape) {
    setCheckable(shape.checkable);
    auto* form = new QFormLayout(this);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    for (const Row& row : rows) {
        QWidget* box = nullptr;
        if (row.field == SongField::Genre) {
            genre_ = new GenreCombo(this);
            box = genre_;
        } else {
            auto* edit = new QLineEdit(this);
            edit->setMinimumWidth(IsNumber(row.field) ? 60 : 240);
            texts_[row.field] = edit;
            box = edit;
            if (IsNumber(row.field)) {
                edit->setMaximumWidth(80);
            }
            if (IsNumber(row.field) && shape.withTotals) {
                auto* total = new QLineEdit(this);
                total->setMaximumWidth(80);
                totals_[row.field] = total;
                auto* pair = new QWidget(this);
                auto* line = new QHBoxLayout(pair);
                line->setContentsMargins(0, 0, 0, 0);
                line->addWidget(edit);
                line->addWidget(new QLabel(tr("of"), pair));
                line->addWidget(total);
                line->addStretch();
                box = pair;
            }
        }
        auto* label = new QLabel(row.label, this);
        label->setBuddy(genre_ && box == genre_ ? static_cast<QWidget*>(genre_)
                                                : texts_[row.field]);
        form->addRow(label, box);
    }
}

bool TagSection::Present() const {
    return !isCheckable() || isChecked();
}

void TagSection::SetPresent(bool present) {
    if (isCheckable()) {
        setChecked(present);
    }
}

bool TagSection::Has(SongField field) const {
    return field == SongField::Genre ? genre_ != nullptr : texts_.count(field) != 0;
}

QWidget* TagSection::Box(SongField field) const {
    if (field == SongField::Genre) {
        return genre_;
    }
    auto it = texts_.find(field);
    return it == texts_.end() ? nullptr : it->second;
}

QLineEdit* TagSection::TotalBox(SongField field) const {
    auto it = totals_.find(field);
    return it == totals_.end() ? nullptr : it->second;
}

QString TagSection::Value(SongField field) const {
    if (field == SongField::Genre) {
        return genre_ ? genre_->Genre() : QString();
    }
    auto it = texts_.find(field);
    return it == texts_.end() ? QString() : it->second->text();
}

void TagSection::SetValue(SongField field, const QString& value) {
    if (field == SongField::Genre) {
        if (genre_) {
            genre_->SetGenre(value);
        }
        return;
    }
    if (auto it = texts_.find(field); it != texts_.end()) {
        it->second->setText(value);
    }
}

void TagSection::Fill(const CSongFileInfo& song, bool found) {
    SetPresent(found);
    if (genre_) {
        genre_->SetGenre(QString::fromStdString(song.GetText(SongField::Genre)));
    }
    for (auto& [field, edit] : texts_) {
        if (IsNumber(field)) {
            uint32_t number = NumberOf(song, field);
            if (shape_.withTotals) {
                edit->setText(QString::number(number));
                totals_.at(field)->setText(
                    QString::number(NumberOf(song, *songcore::TotalOfNumber(field))));
            } else {
                edit->setText(QString::number(number));
            }
            continue;
        }
        edit->setText(QString::fromStdString(song.GetText(field)));
        edit->setCursorPosition(0);
    }
}

void TagSection::Store(CSongFileInfo& song) const {
    if (genre_) {
        std::string problem;
        songcore::SetFieldText(song, SongField::Genre, genre_->Genre().toStdString(), problem);
    }
    for (const auto& [field, edit] : texts_) {
        if (IsNumber(field)) {
            // The "of" boxes of MP4 hold 16 bits, as its tag does.
            const uint32_t limit = shape_.withTotals ? 0xFFFF : UINT32_MAX;
            song.SetValues(field, {std::to_string(LeadingNumber(edit->text(), limit))});
            if (shape_.withTotals) {
                song.SetValues(*songcore::TotalOfNumber(field),
                               {std::to_string(LeadingNumber(totals_.at(field)->text(), limit))});
            }
            continue;
        }
        QString text = edit->text();
        if (field == SongField::Comment && shape_.commentLimit >= 0) {
            text = text.left(shape_.commentLimit);
        }
        std::string problem;
        songcore::SetFieldText(song, field, text.toStdString(), problem);
    }
}

songcore::FieldValues TagSection::Values(const CSongFileInfo& song, bool lyrics) const {
    songcore::FieldValues values;
    if (genre_) {
        values.emplace_back(SongField::Genre, song.GetText(SongField::Genre));
    }
    for (const auto& [field, edit] : texts_) {
        values.emplace_back(field, song.GetText(field));
        if (totals_.count(field)) {
            SongField total = *songcore::TotalOfNumber(field);
            values.emplace_back(total, song.GetText(total));
        }
    }
    if (lyrics) {
        values.emplace_back(SongField::Lyrics, song.GetLyrics());
    }
    return values;
}

std::string TagSection::WriteTo(const std::string& path, const std::string* lyrics,
                                songcore::FileEdit* edit) const {
    CSongFileInfo song;
    if (!song.Open(path, 0, 0)) {
        std::string reason = song.GetErrorMessage();
        return "cannot open the file for writing" + (reason.empty() ? "" : ": " + reason);
    }
    // Start from what the file holds: a field no box shows keeps its value.
    (song.*kind_.read)();
    const songcore::FieldValues before = Values(song, lyrics != nullptr);
    int written = 0;
    if (Present()) {
        Store(song);
        if (lyrics) {
            song.SetLyrics(*lyrics);
        }
        written = (song.*kind_.write)();
    } else if (kind_.remove) {
        written = (song.*kind_.remove)();
    } else {
        // A tag that cannot be taken out of the file is emptied instead.
        for (const auto& [field, edit] : texts_) {
            std::string problem;
            songcore::SetFieldText(song, field, "", problem);
        }
        written = (song.*kind_.write)();
    }
    if (written) {
        if (edit) {
            // A removed tag leaves every field empty.
            songcore::FieldValues after = Present() || !kind_.remove
                                              ? Values(song, lyrics != nullptr)
                                              : songcore::FieldValues{};
            *edit = {path, kind_.mask, {}, {}, {}};
            for (const auto& [field, old] : before) {
                const std::string* now = songcore::FindFieldValue(after, field);
                std::string value = now ? *now : std::string();
                if (value != old) {
                    edit->before.emplace_back(field, old);
                    edit->after.emplace_back(field, std::move(value));
                }
            }
            song.Close();
            edit->stamp = songcore::StampOf(path);
        }
        return {};
    }
    std::string reason = song.GetErrorMessage();
    return reason.empty() ? std::string("the ") + kind_.label + " tag could not be written"
                          : reason;
}
