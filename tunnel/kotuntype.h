// One cross-section of a tunnel's cross-section sequence (memory only): its chainage and
// type, the outline points it owns, and the zone measures of that outline.
#pragma once

class CHkolista;

// Zones of an outline, walked from its first classified point: 0 up to the springing level A
// on the first side, 1 from A up to B, 2 from B over the top down to B on the other side, 3
// from there down to A, 4 from A to the end of the walk.
struct kotuntype {
    double hval[6]; // developed horizontal coordinates of the zone boundaries
    double sval[6]; // developed coordinates along the outline, from the middle of zone 2
    double xp[6];   // characteristic points: 0 first classified point, 1 first side at A,
    double yp[6];   //   2 first side at B, 3 second side at B, 4 second side at A, 5 last point
    double lang[5]; // outline length of each zone
    double reserv1;
    double sekt; // chainage of this cross-section
    double reserv2;
    char tvnamn[12];     // cross-section type name
    CHkolista* pPunkter; // the outline points (bulge in z, zone code in kod), owned
};
