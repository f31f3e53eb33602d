#include "ui/controls.h"

#include <algorithm>

Control::Control(Form& owner, ControlKind kind, QString name, QString text, FirmwareTag tag)
    : owner_(owner), kind_(kind), name_(std::move(name)), text_(std::move(text)),
      tag_(tag_value(tag)) {
    owner_.add(this);
}

void Control::changed() {
    owner_.notify(*this);
}

void Control::set_text(const QString& t) {
    if (text_ == t) return;
    text_ = t;
    changed();
    if (on_text_changed) on_text_changed();
}

void Control::set_enabled(bool e) {
    if (enabled_ == e) return;
    enabled_ = e;
    changed();
}

void Control::set_visible(bool v) {
    if (visible_ == v) return;
    visible_ = v;
    changed();
}

void Control::set_back_colour(Colour c) {
    if (back_ == c) return;
    back_ = c;
    changed();
}

void Control::set_fore_colour(Colour c) {
    if (fore_ == c) return;
    fore_ = c;
    changed();
}

void CheckBox::set_value(int v) {
    if (value_ == v) return;
    value_ = v;
    changed();
    if (on_click) on_click();
}

void OptionButton::set_value(bool v) {
    if (value_ == v) return;
    value_ = v;
    changed();
}

void ComboBox::clear() {
    items_.clear();
    notes_.clear();
    index_ = -1;
    changed();
}

void ComboBox::add_item(const QString& item, const QString& note) {
    items_.append(item);
    notes_.append(note);
    changed();
}

void ComboBox::set_list_index(int i) {
    if (i < -1 || i >= list_count()) i = -1;
    index_ = i;
    changed();
    if (on_click) on_click();
}

QString ComboBox::selected_text() const {
    return index_ >= 0 ? items_[index_] : text();
}

void Shape::set_fill_colour(Colour c) {
    if (fill_ == c) return;
    fill_ = c;
    changed();
}

void ProgressBar::set_max(int m) {
    if (max_ == m) return;
    max_ = m;
    changed();
}

void ProgressBar::set_value(int v) {
    if (value_ == v) return;
    value_ = v;
    changed();
}

void Slider::set_value(int v) {
    v = std::clamp(v, min_, max_);
    if (value_ == v) return;
    value_ = v;
    changed();
    if (on_change) on_change();
}

void TabControl::set_current(int i) {
    current_ = i;
    changed();
    if (on_click) on_click();
}

Grid::Grid(Form& f, QString name, int rows, int cols, FirmwareTag tag)
    : Control(f, ControlKind::Grid, std::move(name), {}, tag), rows_(rows), cols_(cols),
      cells_(size_t(rows) * size_t(cols)) {}

void Grid::set_rows(int r) {
    rows_ = std::max(r, 0);
    cells_.resize(size_t(rows_) * size_t(cols_));
    changed();
}

QString Grid::cell(int r, int c) const {
    if (r < 0 || r >= rows_ || c < 0 || c >= cols_) return {};
    return cells_[size_t(r) * size_t(cols_) + size_t(c)];
}

void Grid::set_cell(int r, int c, const QString& t) {
    if (r < 0 || c < 0 || c >= cols_) return;
    if (r >= rows_) set_rows(r + 1);
    cells_[size_t(r) * size_t(cols_) + size_t(c)] = t;
    changed();
}

void Grid::show_row(int r) {
    if (shown_row_ == r) return;
    shown_row_ = r;
    changed();
}

Control* Form::find(const QString& name) const {
    for (Control* c : controls_)
        if (c->name() == name) return c;
    return nullptr;
}
