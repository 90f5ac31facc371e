#include "TomletDoc.h"

CTomletDoc::CTomletDoc(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("CTomletDoc"));
}

CTomletDoc::~CTomletDoc() = default;

bool CTomletDoc::OnNewDocument() {
    return true;
}

void CTomletDoc::Serialize(QDataStream&, bool) {}
