// The PDF object model and parser in one include: the store, every object
// class, the number text helpers.
#pragma once

#include "pdf/PDFArray.h"
#include "pdf/PDFBoolean.h"
#include "pdf/PDFDictionary.h"
#include "pdf/PDFIndRef.h"
#include "pdf/PDFName.h"
#include "pdf/PDFNull.h"
#include "pdf/PDFNumberText.h"
#include "pdf/PDFNumeric.h"
#include "pdf/PDFObject.h"
#include "pdf/PDFStream.h"
#include "pdf/PDFString.h"
#include "pdf/PDFStructure.h"
