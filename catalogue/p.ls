; Beard, moustache or mask - the Vestura sample catalogue
; Each entry is three lines: <NEW>, the picture under the program folder, the caption.

<NEW>
parts\faces\stubble.bmp
Stubble
<NEW>
parts\faces\goatee.bmp
Goatee

<NEW>
parts\faces\full_beard.bmp
Full beard

; more of the same
<NEW>
parts\faces\moustache.bmp
Handlebar moustache

<NEW>
parts\faces\balaclava.bmp
Balaclava
<NEW>
parts\faces\soft_stubble.png
Soft stubble shadow

