// The list box's column header: a caption image sits on the right when its
// column asks for it.
#pragma once

#include <QHeaderView>
#include <vector>

namespace qinghe {

class ListBoxHeader : public QHeaderView {
public:
    explicit ListBoxHeader(QWidget* parent);

    std::vector<bool> image_on_right;  // by column

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int column) const override;
};

}  // namespace qinghe
