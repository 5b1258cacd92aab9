// The drains of a tunnel, in its drainage file "<folder>\<HarnDbfKat>\<name>.ODD". A drain
// is a run of points (records) in the list that begins with a point whose lnr is 1. Save
// gives every point its drain's start and end chainage and its place in the drain, orders
// the drains by start chainage, numbers new points and rewrites the file.
#pragma once

#include "tunnel/BoltDrainFile.h"

class CTunDran : public BoltDrainFile {
public:
    CTunDran(CProjPath* proj, const char* namn);

    // 0, or -3 when the file cannot be written (the old one stays).
    int Save();

    // Order of the current record against the sort mark: key 1 start chainage ascending
    // (1 when the current one is greater), -1 (current ≤ mark), 2 end chainage
    // (current ≥ mark), -2 (current ≤ mark); any other key never reorders.
    int Sortval(int key) override;

protected:
    // False when the chainage the key compares is no number in some point.
    bool SortvalOrders(int key) override;

private:
    // Start and end chainage and place in the drain for every point. Points before the
    // first one whose lnr is 1 form a drain of their own.
    void Group();
};
