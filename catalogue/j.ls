; Jeans - the Vestura sample catalogue
; Each entry is three lines: <NEW>, the picture under the program folder, the caption.

<NEW>
parts\jeans\blue.bmp
Blue jeans
<NEW>
parts\jeans\black.bmp
Black jeans

<NEW>
parts\jeans\white.bmp
White jeans

; more of the same
<NEW>
parts\jeans\ripped.bmp
Ripped light-blue jeans

<NEW>
parts\jeans\camo.bmp
Camouflage trousers
<NEW>
parts\jeans\denim_shorts.png
Cut-off denim shorts

