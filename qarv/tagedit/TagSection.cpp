#include "qarv/tagedit/TagSection.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "qarv/tagedit/GenreCombo.h"
#include "songcore/tags/SongFileInfo.h"

using songcore::SongField;

namespace {

bool IsNumber(SongField field) {
    return songcore::InfoOf(field).kind == songcore::FieldKind::Number;
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
        if (first_ == nullptr) {
            first_ = genre_ && box == genre_ ? static_cast<QWidget*>(genre_) : texts_[row.field];
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

songcore::FieldValues TagSection::BoxValues(bool empty) const {
    songcore::FieldValues values;
    if (genre_) {
        values.emplace_back(SongField::Genre, empty ? "" : genre_->Genre().toStdString());
    }
    for (const auto& [field, edit] : texts_) {
        QString text = empty ? QString() : edit->text();
        if (field == SongField::Comment && shape_.commentLimit >= 0) {
            text = text.left(shape_.commentLimit);
        }
        values.emplace_back(field, text.toStdString());
        if (auto total = totals_.find(field); total != totals_.end()) {
            values.emplace_back(*songcore::TotalOfNumber(field),
                                empty ? "" : total->second->text().toStdString());
        }
    }
    return values;
}

songcore::SongEditResult TagSection::WriteTo(const std::string& path,
                                             const std::string* lyrics) const {
    if (!Present() && kind_.remove) {
        return songcore::RemoveSongTag(path, kind_.mask);
    }
    // A tag that cannot be taken out of the file is emptied instead.
    songcore::FieldValues values = BoxValues(!Present());
    if (lyrics && Present()) {
        values.emplace_back(SongField::Lyrics, *lyrics);
    }
    // Update writes the tag even when no box changed: a ticked section
    // whose file has no such tag gets one.
    return songcore::EditSong(path, values, {kind_.mask, true});
}
