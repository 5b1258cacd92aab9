// The rock bolts of a tunnel, in its bolt file "<folder>\<HarnDbfKat>\<name>.ODF". Save
// rewrites the file in list order and gives each new bolt a serial number (files from
// version 1.19 on).
#pragma once

#include "tunnel/BoltDrainFile.h"

class CTunBult : public BoltDrainFile {
public:
    CTunBult(CProjPath* proj, const char* namn);

    // Drops the elements marked for deletion, numbers the new bolts and rewrites the file.
    // 0, or -3 when the file cannot be written (the old one stays).
    int Save();
};
