#pragma once

// The fixed zooms every zoom menu of the program offers, 10 % to 600 %, with
// the object names and captions of their menu items.

struct TFixedZoom {
    const char* Name;
    double Zoom;
    const char* Caption;
};

inline constexpr TFixedZoom FixedZooms[] = {
    {"N101", 0.1, "10%"},   {"N201", 0.2, "20%"},   {"N251", 0.25, "25%"},
    {"N501", 0.5, "50%"},   {"N751", 0.75, "75%"},  {"N1001", 1.0, "100%"},
    {"N1501", 1.5, "150%"}, {"N2001", 2.0, "200%"}, {"N3001", 3.0, "300%"},
    {"N4001", 4.0, "400%"}, {"N5001", 5.0, "500%"}, {"N6001", 6.0, "600%"},
};
