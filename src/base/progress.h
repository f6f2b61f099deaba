#pragma once
// What a long operation tells the operator as it goes, and how it learns that
// the operator wants it stopped. The cores of long operations (the import,
// the registration run) report through this, so that they run and are tested
// without a window.

class IProgress
{
public:
    virtual ~IProgress() = default;
    // Shows the position reached; true when the operator asked to stop.
    virtual bool Update(int position) = 0;
};
