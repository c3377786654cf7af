/*
 * The status-bar control: a one-line bar of four text panes, two of them after fixed captions,
 * separated by thin vertical dividers. Its container writes the panes through lab1 (hint),
 * lab3 (file size), lab5 (files in the folder) and lab6 (files in the list), and keeps the
 * properties in its property bag between runs. The control raises no events of its own.
 */
#pragma once

#include "controls/statline/statlineexport.h"

#include <QtWidgets/QWidget>

class PropertyBag;
class QFrame;
class QLabel;

namespace statline {

class STATLINE_EXPORT UserControl1 : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString lab3 READ lab3 WRITE setLab3)
    Q_PROPERTY(QString lab1 READ lab1 WRITE setLab1)
    Q_PROPERTY(QString lab5 READ lab5 WRITE setLab5)
    Q_PROPERTY(QString lab6 READ lab6 WRITE setLab6)
    Q_PROPERTY(qint16 Alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(bool Enabled READ enabledFlag WRITE setEnabledFlag)
    Q_PROPERTY(float ScaleWidth READ scaleWidth WRITE setScaleWidth)

public:
    explicit UserControl1(QWidget* parent = nullptr);

    QString lab3() const;
    void setLab3(const QString& text);
    QString lab1() const;
    void setLab1(const QString& text);
    QString lab5() const;
    void setLab5(const QString& text);
    QString lab6() const;
    void setLab6(const QString& text);

    // Alignment and Enabled are only kept and reported; they change nothing in the drawing or the
    // behaviour. Enabled is a field of its own, not QWidget::enabled.
    qint16 alignment() const { return m_alignment; }
    void setAlignment(qint16 value);
    bool enabledFlag() const { return m_enabled; }
    void setEnabledFlag(bool value);

    // The width of the interior in the control's scale units: twips until a width is written,
    // which makes the scale a custom one that stretches with the control.
    float scaleWidth() const;
    void setScaleWidth(float value);

    // Restores every property from the container's bag (a missing value gives its default), and
    // saves them there (a value equal to its default is not kept).
    void readProperties(const PropertyBag& bag);
    void writeProperties(PropertyBag& bag) const;

    QSize sizeHint() const override;

signals:
    // Every property write reports the property's name, so the container knows to save it.
    void propertyChanged(const QString& name);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void setPaneText(QLabel* pane, const QString& text, const QString& property);
    void fitFrameToWidth();

    QFrame* m_panel;
    QLabel* m_hintLabel;
    QLabel* m_sizeLabel;
    QLabel* m_folderCountLabel;
    QLabel* m_listCountLabel;
    qint16 m_alignment = 0;
    bool m_enabled = false;
    bool m_customScale = false;
    float m_scaleWidth = 0;
};

} // namespace statline
