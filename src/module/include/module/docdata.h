// The module's data about one open drawing document: nothing yet.
#pragma once

class CDocData
{
public:
    CDocData() = default;
    ~CDocData() = default;
};
