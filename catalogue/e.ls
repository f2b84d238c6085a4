; Eye-glasses - the Vestura sample catalogue
; Each entry is three lines: <NEW>, the picture under the program folder, the caption.

<NEW>
parts\glasses\aviators.wmf
Aviator sunglasses
<NEW>
parts\glasses\round.emf
Round sunglasses

<NEW>
parts\glasses\black_rims.bmp
Black-rimmed glasses

; more of the same
<NEW>
parts\glasses\pink_shades.bmp
Pink cat-eye shades

<NEW>
parts\glasses\wraparounds.bmp
Mirror wraparounds
<NEW>
parts\glasses\tinted_shades.png
Tinted half-transparent sunglasses

