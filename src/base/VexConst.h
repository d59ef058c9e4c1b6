#pragma once

// Values shared by several subsystems: node kinds of the review tree and the
// pictures of the image list that the tree itself uses.
namespace VexConst {

enum NodeKind : int {
    nkFolder = -1,
    nkReviewFile = -2,
    nkBook = -3,
    nkReservedMinus4 = -4,
    nkReserved = 0x0FFFFFFF,
};

enum TreeImage : int {
    imgBookExcluded = 10,
    imgBookIncluded = 11,
    imgReviewFile = 23,
    imgRootNode = 24,
    imgFolderOpen = 25,
    imgFolderClosed = 26,
    imgCount = 33,
};

} // namespace VexConst
