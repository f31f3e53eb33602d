#pragma once
// The certificate's pages: A4 portrait, drawn through Qt's PDF writer, text as
// text (searchable, copyable).  The recording flows onto further pages with
// its header repeated; every page has a footer with its number and the
// SHA-256 of the recording and the table.
//
// The same facts give the same bytes: the writer's creation date is replaced
// by the certificate's own date, and nothing else in its output varies.
#include "report/certificate.h"

#include <QByteArray>
#include <QString>

// Needs a QGuiApplication (fonts).  `pages` gets the number of pages.
QByteArray certificate_pdf(const CertificateFacts& f, int* pages = nullptr);

// The PDF written whole through the file guard; false with `why` set when it
// could not be (nothing is left behind then).
bool write_certificate(const QString& path, const CertificateFacts& f, QString* why);
