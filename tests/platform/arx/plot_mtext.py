"""Writes the drawings of the plot engine's multiline text tests, in millimetres on an A4
sheet, texts 5 high: columns as release 2018 holds them (static with a column break,
dynamic of automatic and of their own heights) or, with "xdata", as older releases do (the
first column's text with its column data in XData, as a column break would end it), and a
text whose lines stand twice as far apart.

usage: plot_mtext.py OUTPUT.dxf [xdata]
"""
import sys

import ezdxf


def columns(msp):
    # Two static columns 40 wide, 10 apart, 30 high: "Gamma" heads the second.
    msp.add_mtext_static_columns(["Alpha\\PBeta", "Gamma"], width=40, gutter_width=10, height=30,
                                 dxfattribs={"char_height": 5, "insert": (10, 200)})
    # Columns 20 high: two lines fill one, the third flows into the second.
    msp.add_mtext_dynamic_auto_height_columns("One\\PTwo\\PThree", width=40, gutter_width=10, height=20,
                                              count=2, dxfattribs={"char_height": 5, "insert": (10, 150)})
    # The first column only 10 high, the second 30: "Four" goes on beside "Three".
    msp.add_mtext_dynamic_manual_height_columns("Three\\PFour\\PFive", width=40, gutter_width=10,
                                                heights=[10, 30], dxfattribs={"char_height": 5, "insert": (10, 100)})


def xdata(msp):
    # The first of two static columns as older releases write it; the text after its column
    # break would be the second's.
    text = msp.add_mtext("Alpha\\NGamma", dxfattribs={"char_height": 5, "insert": (10, 200), "width": 40})
    text.set_xdata("ACAD", [(1000, "ACAD_MTEXT_COLUMN_INFO_BEGIN"), (1070, 75), (1070, 1), (1070, 79), (1070, 0),
                            (1070, 76), (1070, 2), (1070, 78), (1070, 0), (1070, 48), (1040, 40.0),
                            (1070, 49), (1040, 10.0), (1070, 50), (1070, 0),
                            (1000, "ACAD_MTEXT_COLUMN_INFO_END"), (1000, "ACAD_MTEXT_DEFINED_HEIGHT_BEGIN"),
                            (1070, 46), (1040, 30.0), (1000, "ACAD_MTEXT_DEFINED_HEIGHT_END")])


def main():
    old = len(sys.argv) > 2 and sys.argv[2] == "xdata"
    doc = ezdxf.new("R2010" if old else "R2018")
    msp = doc.modelspace()
    xdata(msp) if old else columns(msp)
    # Lines twice the usual distance apart: the second's baseline 16.67 under the first's.
    msp.add_mtext("Upper\\PLower", dxfattribs={"char_height": 5, "insert": (150, 200), "line_spacing_factor": 2})
    doc.saveas(sys.argv[1])


main()
