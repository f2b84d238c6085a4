; Shirt - the Vestura sample catalogue
; Each entry is three lines: <NEW>, the picture under the program folder, the caption.

<NEW>
parts\shirts\hawaiian.jpg
Hawaiian shirt
<NEW>
parts\shirts\striped.jpg
Striped shirt

<NEW>
parts\shirts\polo.bmp
Plain polo (coral)

; more of the same
<NEW>
parts\shirts\pink_suit.jpeg
Pink suit jacket

<NEW>
parts\shirts\check.jpg
Black and white check shirt
