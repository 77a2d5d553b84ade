// The parts of the main window, reached the way the window holds them: as its children.
#pragma once

#include <QObject>
#include <stdexcept>

template <class Part> Part& PartOf(const QObject& form) {
    Part* part = form.findChild<Part*>(QString(), Qt::FindDirectChildrenOnly);
    if (!part) throw std::logic_error("the window has no such part");
    return *part;
}
