<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
</context>
<context>
    <name>CodeTarget</name>
    <message>
        <source>Adafruit GFX drawBitmap</source>
        <translation>Adafruit GFX drawBitmap</translation>
    </message>
    <message>
        <source>u8g2 drawXBMP, Adafruit GFX drawXBitmap</source>
        <translation>u8g2 drawXBMP、Adafruit GFX drawXBitmap</translation>
    </message>
    <message>
        <source>SSD1306 / SH1106 page buffer</source>
        <translation>SSD1306 / SH1106 页缓冲区</translation>
    </message>
    <message>
        <source>XBM image</source>
        <translation>XBM 图像</translation>
    </message>
    <message>
        <source>Raw page buffer</source>
        <translation>原始页缓冲区</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Move</source>
        <translation>移动</translation>
    </message>
    <message>
        <source>Pen</source>
        <translation>画笔</translation>
    </message>
    <message>
        <source>Erase</source>
        <translation>橡皮擦</translation>
    </message>
    <message>
        <source>Invert color</source>
        <translation>反色</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>撤销</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>重做</translation>
    </message>
    <message>
        <source>Clockwise rotation</source>
        <translation>顺时针旋转</translation>
    </message>
    <message>
        <source>Counter-clockwise rotation</source>
        <translation>逆时针旋转</translation>
    </message>
    <message>
        <source>Vertical flip</source>
        <translation>垂直翻转</translation>
    </message>
    <message>
        <source>Horizontal flip</source>
        <translation>水平翻转</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>缩小</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>放大</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>3</source>
        <translation>3</translation>
    </message>
    <message>
        <source>5</source>
        <translation>5</translation>
    </message>
    <message>
        <source>7</source>
        <translation>7</translation>
    </message>
    <message>
        <source>9</source>
        <translation>9</translation>
    </message>
    <message>
        <source>Tip</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Please input rotate degree</source>
        <translation>请输入旋转角度</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Open file error</source>
        <translation>打开文件出错</translation>
    </message>
    <message>
        <source>Save file error</source>
        <translation>保存文件出错</translation>
    </message>
    <message>
        <source>Load code template file error</source>
        <translation>加载代码模板文件出错</translation>
    </message>
    <message>
        <source>Bitmap can not be empty</source>
        <translation>位图不能为空</translation>
    </message>
    <message>
        <source>File name only can contains numbers, letters, and &apos;_&apos;.
(&apos;0~9&apos;, &apos;A~Z&apos;, &apos;a~z&apos; and &apos;_&apos;)

</source>
        <translation>文件名只能包含数字、字母和 &apos;_&apos;。
（&apos;0~9&apos;、&apos;A~Z&apos;、&apos;a~z&apos; 和 &apos;_&apos;）

</translation>
    </message>
    <message>
        <source>Open file for write error</source>
        <translation>无法打开文件进行写入</translation>
    </message>
    <message>
        <source>Write file error</source>
        <translation>写入文件出错</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>另存为</translation>
    </message>
    <message>
        <source>image file</source>
        <translation>图像文件</translation>
    </message>
    <message>
        <source>BMP file</source>
        <translation>BMP 文件</translation>
    </message>
    <message>
        <source>JPG file</source>
        <translation>JPG 文件</translation>
    </message>
    <message>
        <source>JPEG file</source>
        <translation>JPEG 文件</translation>
    </message>
    <message>
        <source>C++ file</source>
        <translation>C++ 文件</translation>
    </message>
    <message>
        <source>C file</source>
        <translation>C 文件</translation>
    </message>
    <message>
        <source>Open a picture</source>
        <translation>打开图片</translation>
    </message>
    <message>
        <source>Save as C/C++ source</source>
        <translation>保存为 C/C++ 源代码</translation>
    </message>
    <message>
        <source>Save as image</source>
        <translation>保存为图片</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>帮助</translation>
    </message>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Unsaved changes</source>
        <translation>未保存的更改</translation>
    </message>
    <message>
        <source>The bitmap has changes that are not saved. Save them first?</source>
        <translation>位图有尚未保存的更改。要先保存吗？</translation>
    </message>
    <message>
        <source>Save as code</source>
        <translation>保存为代码</translation>
    </message>
    <message>
        <source>Save as bitmap</source>
        <translation>保存为位图</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>放弃</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>The clipboard holds no picture</source>
        <translation>剪贴板中没有图片</translation>
    </message>
    <message>
        <source>Opening the picture...</source>
        <translation>正在打开图片……</translation>
    </message>
</context>
<context>
    <name>SelectDialog</name>
    <message>
        <source>Move</source>
        <translation>移动</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>裁剪</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>缩小</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>放大</translation>
    </message>
    <message>
        <source>The 128 × 64 bitmap that OK makes</source>
        <translation>点击“确定”后得到的 128 × 64 位图</translation>
    </message>
    <message>
        <source>Threshold: the grey level where dark turns light</source>
        <translation>阈值：由暗变亮的灰度分界</translation>
    </message>
    <message>
        <source>No dithering: a plain cut at the threshold</source>
        <translation>无抖动：在阈值处直接一分为二</translation>
    </message>
    <message>
        <source>Floyd–Steinberg dithering: smooth, for photos</source>
        <translation>Floyd–Steinberg 抖动：渐变平滑，适合照片</translation>
    </message>
    <message>
        <source>Atkinson dithering: crisp, more contrast</source>
        <translation>Atkinson 抖动：更清爽，对比更强</translation>
    </message>
    <message>
        <source>Bayer dithering: a regular pattern</source>
        <translation>Bayer 抖动：规则的图案</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>亮度</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>对比度</translation>
    </message>
    <message>
        <source>Invert: the negative of the picture</source>
        <translation>反色：先把图片变成负片</translation>
    </message>
    <message>
        <source>Back to the default settings</source>
        <translation>恢复默认设置</translation>
    </message>
</context>
</TS>
