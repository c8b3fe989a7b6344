#pragma once
// The object properties dialog: a general page (the object's type, its size in bytes and in
// pixels) and a view page with the display scale. Object conversion is never offered, and the
// link page is left out since no object here is linked.

#include <QDialog>
#include <QSize>
#include <QString>

class QSpinBox;

namespace dialogs {

struct ObjectProperties {
    QString caption;   // "%s Properties" filled with the type name
    QString typeName;  // "PNG Image"
    qint64 bytes = 0;  // size of the object's data
    QSize pixels;      // size of its picture
    int scale = 100;   // percent; the confirmed value comes back here
    int minScale = 0;
    int maxScale = 500;
};

class ObjectPropertiesDialog : public QDialog {
    Q_OBJECT
public:
    ObjectPropertiesDialog(const ObjectProperties &properties, QWidget *parent = nullptr);
    int scale() const;

private:
    QSpinBox *m_scale = nullptr;
};

} // namespace dialogs
