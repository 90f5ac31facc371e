#pragma once

#include <QObject>

class QDataStream;

// The document of the single-document template. It holds nothing: the book lives in the
// reader view, so new, open and save never read or write a book.
class CTomletDoc : public QObject {
public:
    explicit CTomletDoc(QObject* parent = nullptr);
    ~CTomletDoc() override;

    // Starts a new, empty document; always succeeds.
    bool OnNewDocument();
    // Stores nothing and loads nothing.
    void Serialize(QDataStream& archive, bool storing);
};
