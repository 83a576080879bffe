// CDrawDib: a working copy of a CDib for processed previews, so the source is never touched.
//
// How to use it: 1) assign the source (copy = source); 2) apply operations to the copy;
// 3) display the copy; the source keeps its pixels.
#pragma once
#include "Dib.h"

class KXIMAGE_API CDrawDib : public CDib
{
public:
    CDrawDib();
    CDrawDib(const CDrawDib& src);
    CDrawDib& operator=(const CDrawDib& src);
    CDrawDib& operator=(const CDib& src);   // deep copy of the source
    ~CDrawDib() override;

    // Grey-scale preview: each pixel becomes its luma Y (0.299 R + 0.587 G + 0.114 B), then the
    // contrast is raised around level: out = 128 + (Y - level) * (1000 + amount) / 1000, clamped.
    // level 128 with amount 0 is plain grey; a large amount (up to 30000) tends to a black-and-
    // white threshold at level. amount is clamped to 0..30000.
    BOOL BrightProbaility(BYTE level, int amount);
};
