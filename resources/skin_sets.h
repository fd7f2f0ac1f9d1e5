// Written by tools/make_skin.py: the skin pictures drawn for 150 % and 200 %
// (PNG resources of type "PNG"). Rows: 100 % bitmap id, equal cells side by
// side, then the id of each larger set.
#pragma once

struct SkinSetRow {
    int id;
    int cells;
    int setIds[2];  // 150 %, 200 %
};

constexpr SkinSetRow kSkinSets[] = {
    {201, 1, 1701, 2201},
    {202, 1, 1702, 2202},
    {203, 3, 1703, 2203},
    {207, 1, 1707, 2207},
    {208, 1, 1708, 2208},
    {209, 1, 1709, 2209},
    {210, 1, 1710, 2210},
    {212, 3, 1712, 2212},
    {214, 1, 1714, 2214},
    {217, 1, 1717, 2217},
    {218, 1, 1718, 2218},
    {219, 1, 1719, 2219},
    {220, 1, 1720, 2220},
    {221, 1, 1721, 2221},
    {222, 1, 1722, 2222},
    {223, 1, 1723, 2223},
    {228, 3, 1728, 2228},
    {229, 1, 1729, 2229},
    {231, 1, 1731, 2231},
};
