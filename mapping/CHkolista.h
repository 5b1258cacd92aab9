// The points of one outline (an outcrop's boundary, a tunnel cross-section), in order.
#pragma once

#include "list/list0.h"
#include "mapping/kokotype.h"

class CHkolista : public list0<kokotype> {
public:
    CHkolista();
    virtual ~CHkolista();
    CHkolista(const CHkolista& o) : list0<kokotype>(o) {}
    CHkolista& operator=(const CHkolista& o) {
        list0<kokotype>::operator=(o);
        return *this;
    }
};
