#pragma once

#include "FieldDef.h"

#include <QList>

// Positions of the review record's fields. The order is also the column
// order of review files, and merging copies values by position.
enum ReviewField {
    fBookNbr = 0,
    fBookTitle,
    fBookSerie,
    fPublisherLocation,
    fPublisher,
    fYearPublished,
    fPagination,
    fPages,
    fBinding,
    fCurrency,
    fPrice,
    fAuthor1Name,
    fAuthor1Firstname,
    fAuthor2Name,
    fAuthor2Firstname,
    fAuthor3Name,
    fAuthor3Firstname,
    fIllustrator1Name,
    fIllustrator1FirstName,
    fIllustrator2Name,
    fIllustrator2Firstname,
    fIllustrator3Name,
    fIllustrator3Firstname,
    fTranslator1Name,
    fTranslator1Firstname,
    fTranslator2Name,
    fTranslator2Firstname,
    fLanguage,
    fReview,
    fAgegroup,
    fCategory,
    fAge,
    fRecommendation,
    fReviewerInitials,
    ReviewFieldCount
};

// The review record's 34 fields in file order, with kinds, stored widths,
// entry lengths and the labels the overview grid shows.
QList<FieldDef> ReviewFields();
