<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="en_GB" sourcelanguage="zh_CN">
    <context>
        <name>Corvalis::Viewer::OutlineDock</name>
        <message>
            <location filename="../../viewer/view/outline_dock.cpp" />
            <source>书签</source>
            <translation>Bookmarks</translation>
        </message>
        <message>
            <location filename="../../viewer/ui/outline_dock.cpp" />
            <source>缩略图</source>
            <translation>Thumbnails</translation>
        </message>
    </context>
    <context>
        <name>Corvalis::Viewer::AboutDialog</name>
        <message>
            <location filename="../../viewer/ui/about_dialog.cpp" line="13" />
            <source>确定</source>
            <translation>OK</translation>
        </message>
        <message>
            <location filename="../../viewer/ui/about_dialog.cpp" line="15" />
            <source>关于 Brevia Reader</source>
            <translation>About Brevia Reader</translation>
        </message>
    </context>
    <context>
        <name>Corvalis::Viewer::COpenPDFFileDialog2</name>
        <message>
            <location filename="../../viewer/ui/start_panel.cpp" line="33" />
            <source>打开 PDF 文件</source>
            <translation>Open a PDF file</translation>
        </message>
    </context>
    <context>
        <name>Corvalis::Viewer::C_PDF_GoToDialog</name>
        <message>
            <location filename="../../viewer/ui/goto_dialog.cpp" line="21" />
            <source>确定</source>
            <translation>OK</translation>
        </message>
        <message>
            <location filename="../../viewer/ui/goto_dialog.cpp" line="22" />
            <source>取消</source>
            <translation>Cancel</translation>
        </message>
        <message>
            <location filename="../../viewer/ui/goto_dialog.cpp" line="23" />
            <source>转到页</source>
            <translation>Go To Page</translation>
        </message>
        <message>
            <location filename="../../viewer/ui/goto_dialog.cpp" line="30" />
            <source>页面:</source>
            <translation>Page:</translation>
        </message>
    </context>
    <context>
        <name>Corvalis::Viewer::C_PDF_PasswordDialog</name>
        <message>
            <location filename="../../viewer/ui/password_dialog.cpp" line="22" />
            <source>该文档受密码保护。</source>
            <translation>This document is protected by a password.</translation>
        </message>
        <message>
            <location filename="../../viewer/ui/password_dialog.cpp" line="23" />
            <source>请输入密码:</source>
            <translation>Enter the password:</translation>
        </message>
        <message>
            <location filename="../../viewer/ui/password_dialog.cpp" line="25" />
            <source>确定</source>
            <translation>OK</translation>
        </message>
        <message>
            <location filename="../../viewer/ui/password_dialog.cpp" line="26" />
            <source>密码</source>
            <translation>Password</translation>
        </message>
    </context>
    <context>
        <name>Corvalis::Viewer::C_Quillon_Frame</name>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" />
            <source>书签(&amp;B)</source>
            <translation>Book&amp;marks</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" />
            <source>显示或隐藏文档的书签
显隐书签</source>
            <translation>Show or hide the document's bookmarks
Toggle Bookmarks</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" />
            <source>返回(&amp;B)</source>
            <translation>&amp;Back</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" />
            <source>回到点击链接之前的位置
返回</source>
            <translation>Return to where the link was clicked
Back</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="129" />
            <source>打开(&amp;O)...</source>
            <translation>&amp;Open...</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="129" />
            <source>打开现有文档
打开</source>
            <translation>Open an existing document
Open</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="131" />
            <source>关闭(&amp;C)</source>
            <translation>&amp;Close</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="131" />
            <source>关闭活动文档
关闭</source>
            <translation>Close the active document
Close</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="131" />
            <source>保存(&amp;S)</source>
            <translation>&amp;Save</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="131" />
            <source>保存活动文档中填写的表单
保存</source>
            <translation>Save the form values filled in the active document
Save</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="131" />
            <source>另存为(&amp;A)...</source>
            <translation>Save &amp;As...</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="131" />
            <source>用新名称保存活动文档
另存为</source>
            <translation>Save the active document under a new name
Save As</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="131" />
            <source>另存为</source>
            <translation>Save As</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="132" />
            <source>打印(&amp;P)...</source>
            <translation>&amp;Print...</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="132" />
            <source>打印活动文档
打印</source>
            <translation>Print the active document
Print</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="134" />
            <source>打印预览(&amp;V)</source>
            <translation>Print Pre&amp;view</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="134" />
            <source>显示整页
打印预览</source>
            <translation>Display full pages
Print Preview</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="135" />
            <source>打印设置(&amp;R)...</source>
            <translation>P&amp;rint Setup...</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="135" />
            <source>更改打印机和打印选项
打印设置</source>
            <translation>Change the printer and printing options
Print Setup</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="136" />
            <source>退出(&amp;X)</source>
            <translation>E&amp;xit</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="136" />
            <source>退出应用程序
退出</source>
            <translation>Quit the application
Exit</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="137" />
            <source>复制(&amp;C)</source>
            <translation>&amp;Copy</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="137" />
            <source>复制所选内容并将其放到剪贴板上
复制</source>
            <translation>Copy the selection and put it on the Clipboard
Copy</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="139" />
            <source>第一页(&amp;F)</source>
            <translation>&amp;First Page</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="139" />
            <source>转到文档的第一页
第一页</source>
            <translation>Go to the first page of the document
First Page</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="141" />
            <source>上一页(&amp;P)</source>
            <translation>&amp;Previous Page</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="141" />
            <source>转到上一页
上一页</source>
            <translation>Go to the previous page
Previous Page</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="143" />
            <source>下一页(&amp;N)</source>
            <translation>&amp;Next Page</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="143" />
            <source>转到下一页
下一页</source>
            <translation>Go to the next page
Next Page</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="145" />
            <source>最后一页(&amp;L)</source>
            <translation>&amp;Last Page</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="145" />
            <source>转到文档的最后一页
最后一页</source>
            <translation>Go to the last page of the document
Last Page</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="147" />
            <source>转到页(&amp;G)...</source>
            <translation>&amp;Go To Page...</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="147" />
            <source>转到指定的页
转到页</source>
            <translation>Go to a page by its number
Go To Page</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="148" />
            <source>推荐给朋友(&amp;T)...</source>
            <translation>&amp;Tell a Friend...</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="148" />
            <source>把本程序推荐给朋友
推荐给朋友</source>
            <translation>Tell a friend about this program
Tell a Friend</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="148" />
            <source>查找(&amp;F)...</source>
            <translation>&amp;Find...</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="148" />
            <source>在查找框中输入要查找的文本
查找</source>
            <translation>Type the text to find in the find box
Find</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="150" />
            <source>查找上一个(&amp;V)</source>
            <translation>Find Pre&amp;vious</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="150" />
            <source>查找上一个匹配的文本
查找上一个</source>
            <translation>Find the previous occurrence of the text
Find Previous</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="152" />
            <source>查找下一个(&amp;X)</source>
            <translation>Find Ne&amp;xt</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="152" />
            <source>查找下一个匹配的文本
查找下一个</source>
            <translation>Find the next occurrence of the text
Find Next</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="154" />
            <source>查找选项</source>
            <translation>Find Options</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="154" />
            <source>设置查找选项
查找选项</source>
            <translation>Set the find options
Find Options</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="157" />
            <source>缩小(&amp;O)</source>
            <translation>Zoom &amp;Out</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="157" />
            <source>缩小页面
缩小</source>
            <translation>Show the page smaller
Zoom Out</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="159" />
            <source>放大(&amp;I)</source>
            <translation>Zoom &amp;In</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="159" />
            <source>放大页面
放大</source>
            <translation>Show the page larger
Zoom In</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="161" />
            <source>实际大小(&amp;A)</source>
            <translation>&amp;Actual Size</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="161" />
            <source>按实际大小显示页面
实际大小</source>
            <translation>Show the page at its actual size
Actual Size</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="163" />
            <source>适合页面(&amp;P)</source>
            <translation>Fit &amp;Page</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="163" />
            <source>缩放页面以适合窗口
适合页面</source>
            <translation>Zoom the page to fit the window
Fit Page</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="165" />
            <source>适合宽度(&amp;W)</source>
            <translation>Fit &amp;Width</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="165" />
            <source>缩放页面以适合窗口宽度
适合宽度</source>
            <translation>Zoom the page to fit the window's width
Fit Width</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="167" />
            <source>顺时针(&amp;C)</source>
            <translation>&amp;Clockwise</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="167" />
            <source>将视图顺时针旋转 90 度
顺时针旋转</source>
            <translation>Rotate the view 90 degrees clockwise
Rotate Clockwise</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="169" />
            <source>逆时针(&amp;O)</source>
            <translation>C&amp;ounterclockwise</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="169" />
            <source>将视图逆时针旋转 90 度
逆时针旋转</source>
            <translation>Rotate the view 90 degrees counterclockwise
Rotate Counterclockwise</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="171" />
            <source>工具栏(&amp;T)</source>
            <translation>&amp;Toolbar</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="171" />
            <source>显示或隐藏工具栏
显隐工具栏</source>
            <translation>Show or hide the toolbar
Toggle Toolbar</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="172" />
            <source>状态栏(&amp;S)</source>
            <translation>&amp;Status Bar</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="172" />
            <source>显示或隐藏状态栏
显隐状态栏</source>
            <translation>Show or hide the status bar
Toggle Status Bar</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="174" />
            <source>新建窗口(&amp;N)</source>
            <translation>&amp;New Window</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="174" />
            <source>为活动文档打开另一个窗口
新建窗口</source>
            <translation>Open another window for the active document
New Window</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="175" />
            <source>层叠(&amp;C)</source>
            <translation>&amp;Cascade</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="175" />
            <source>以重叠方式排列窗口
层叠窗口</source>
            <translation>Arrange windows so they overlap
Cascade Windows</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="176" />
            <source>平铺(&amp;T)</source>
            <translation>&amp;Tile</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="176" />
            <source>以不重叠的平铺方式排列窗口
平铺窗口</source>
            <translation>Arrange windows as non-overlapping tiles
Tile Windows</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="177" />
            <source>排列图标(&amp;A)</source>
            <translation>&amp;Arrange Icons</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="177" />
            <source>在窗口的底部排列图标
排列图标</source>
            <translation>Arrange icons at the bottom of the window
Arrange Icons</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="179" />
            <source>帮助主题(&amp;H)</source>
            <translation>&amp;Help Topics</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="179" />
            <source>列出帮助主题
帮助主题</source>
            <translation>List Help topics
Help Topics</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="180" />
            <source>关于 Brevia Reader(&amp;A)...</source>
            <translation>&amp;About Brevia Reader...</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="180" />
            <source>显示程序信息、版本号和版权
关于</source>
            <translation>Display program information, version number and copyright
About</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="182" />
            <source>Twitter</source>
            <translation>Twitter</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="182" />
            <source>访问我们的 Twitter 页面
Twitter</source>
            <translation>Visit our Twitter page
Twitter</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="183" />
            <source>Facebook</source>
            <translation>Facebook</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="183" />
            <source>访问我们的 Facebook 页面
Facebook</source>
            <translation>Visit our Facebook page
Facebook</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="195" />
            <source>文件(&amp;F)</source>
            <translation>&amp;File</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="209" />
            <source>编辑(&amp;E)</source>
            <translation>&amp;Edit</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="212" />
            <source>文档(&amp;D)</source>
            <translation>&amp;Document</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="222" />
            <source>视图(&amp;V)</source>
            <translation>&amp;View</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="224" />
            <source>旋转视图(&amp;R)</source>
            <translation>&amp;Rotate View</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="235" />
            <source>窗口(&amp;W)</source>
            <translation>&amp;Window</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="239" />
            <source>帮助(&amp;H)</source>
            <translation>&amp;Help</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="250" />
            <source>工具栏</source>
            <translation>Toolbar</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="259" />
            <source>缩放</source>
            <translation>Zoom</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="268" />
            <source>当前页</source>
            <translation>Current page</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="272" />
            <source>查找文本</source>
            <translation>Find text</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="316" />
            <source>就绪</source>
            <translation>Ready</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="0" />
            <source>大写</source>
            <translation>CAP</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="0" />
            <source>数字</source>
            <translation>NUM</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="0" />
            <source>滚动</source>
            <translation>SCRL</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="434" />
            <source>打开</source>
            <translation>Open</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="491" />
            <source>打开此文档</source>
            <translation>Open this document</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" line="495" />
            <source>最近的文件</source>
            <translation>Recent File</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" />
            <source>连续滚动(&amp;C)</source>
            <translation>&amp;Continuous</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" />
            <source>把页面排成一列连续滚动
连续滚动</source>
            <translation>Lay the pages out in a column and scroll through them
Continuous</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" />
            <source>双页(&amp;D)</source>
            <translation>Two Pa&amp;ges</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" />
            <source>并排显示两页
双页</source>
            <translation>Show two pages side by side
Two Pages</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" />
            <source>首页单独显示(&amp;F)</source>
            <translation>&amp;First Page Alone</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" />
            <source>双页时第一页单独显示，如同书本
首页单独</source>
            <translation>With two pages, show the first page alone, as a book does
First Page Alone</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" />
            <source>缩略图(&amp;H)</source>
            <translation>T&amp;humbnails</translation>
        </message>
        <message>
            <location filename="../../viewer/app/quillon_frame.cpp" />
            <source>在侧栏中显示页面缩略图
缩略图</source>
            <translation>Show thumbnails of the pages in the side panel
Thumbnails</translation>
        </message>
    </context>
    <context>
        <name>Corvalis::Viewer::CDlgCopy2Clipboard</name>
        <message>
            <location filename="../../viewer/ui/copy_dialog.cpp" line="28" />
            <source>确定</source>
            <translation>OK</translation>
        </message>
        <message>
            <location filename="../../viewer/ui/copy_dialog.cpp" line="30" />
            <source>"复制"到剪贴板成功</source>
            <translation>"Copy" to Clipboard Succeeded</translation>
        </message>
    </context>
    <context>
        <name>Corvalis::Viewer::NoticeBar</name>
        <message>
            <location filename="../../viewer/messages/notice_bar.cpp" line="41" />
            <source>详细信息...</source>
            <translation>Details...</translation>
        </message>
        <message>
            <location filename="../../viewer/messages/notice_bar.cpp" line="44" />
            <source>关闭</source>
            <translation>Close</translation>
        </message>
        <message>
            <location filename="../../viewer/messages/notice_bar.cpp" line="78" />
            <source>页面问题</source>
            <translation>Page problems</translation>
        </message>
    </context>
    <context>
        <name>Corvalis::Viewer::DisplayModes</name>
        <message>
            <location filename="../../viewer/app/display_modes.cpp" />
            <source>夜间模式(&amp;N)</source>
            <translation>&amp;Night mode</translation>
        </message>
        <message>
            <location filename="../../viewer/app/display_modes.cpp" />
            <source>以反转的明暗显示页面，色调不变</source>
            <translation>Show pages with their lightness inverted and their hues kept</translation>
        </message>
        <message>
            <location filename="../../viewer/app/display_modes.cpp" />
            <source>夜间模式下保留图片原样</source>
            <translation>Leave pictures as they are in night mode</translation>
        </message>
        <message>
            <location filename="../../viewer/app/display_modes.cpp" />
            <source>夜间模式不改变页面上的图片</source>
            <translation>Night mode does not change the pictures on the page</translation>
        </message>
        <message>
            <location filename="../../viewer/app/display_modes.cpp" />
            <source>棕褐色纸张(&amp;E)</source>
            <translation>S&amp;epia paper</translation>
        </message>
        <message>
            <location filename="../../viewer/app/display_modes.cpp" />
            <source>以暖色调的纸张显示页面</source>
            <translation>Show pages on warm-toned paper</translation>
        </message>
        <message>
            <location filename="../../viewer/app/display_modes.cpp" />
            <source>演示(&amp;P)</source>
            <translation>&amp;Presentation</translation>
        </message>
        <message>
            <location filename="../../viewer/app/display_modes.cpp" />
            <source>在黑色全屏上逐页演示文档</source>
            <translation>Present the document page by page on a black full screen</translation>
        </message>
        <message>
            <location filename="../../viewer/app/display_modes.cpp" />
            <source>全屏(&amp;U)</source>
            <translation>F&amp;ull screen</translation>
        </message>
        <message>
            <location filename="../../viewer/app/display_modes.cpp" />
            <source>以全屏显示主窗口</source>
            <translation>Show the main window full screen</translation>
        </message>
        <message>
            <location filename="../../viewer/app/display_modes.cpp" />
            <source>将 Brevia Reader 设为默认 PDF 阅读器(&amp;D)</source>
            <translation>Make Brevia Reader the &amp;default PDF reader</translation>
        </message>
        <message>
            <location filename="../../viewer/app/display_modes.cpp" />
            <source>以 Brevia Reader 打开桌面上的 PDF 文件</source>
            <translation>Open PDF files of the desktop with Brevia Reader</translation>
        </message>
        <message>
            <location filename="../../viewer/app/display_modes.cpp" />
            <source>首选项(&amp;E)</source>
            <translation>Pr&amp;eferences</translation>
        </message>
        <message>
            <location filename="../../viewer/app/display_modes.cpp" />
            <source>Brevia Reader 现在是默认的 PDF 阅读器。</source>
            <translation>Brevia Reader is now the default PDF reader.</translation>
        </message>
        <message>
            <location filename="../../viewer/app/display_modes.cpp" />
            <source>无法设置默认 PDF 阅读器：
%1</source>
            <translation>The default PDF reader could not be set:
%1</translation>
        </message>
    </context>
    <context>
        <name>Corvalis::Viewer::WriterActions</name>
        <message>
            <location filename="../../viewer/app/writer_actions.cpp" />
            <source>重新载入(&amp;R)</source>
            <translation>Relo&amp;ad</translation>
        </message>
        <message>
            <location filename="../../viewer/app/writer_actions.cpp" />
            <source>从磁盘重新读取活动文档
重新载入</source>
            <translation>Read the active document again from the disk
Reload</translation>
        </message>
        <message>
            <location filename="../../viewer/app/writer_actions.cpp" />
            <source>文件更改时重新载入(&amp;W)</source>
            <translation>Re&amp;load when the file changes</translation>
        </message>
        <message>
            <location filename="../../viewer/app/writer_actions.cpp" />
            <source>重新载入后显示更改(&amp;H)</source>
            <translation>Show changes after reloa&amp;d</translation>
        </message>
        <message>
            <location filename="../../viewer/app/writer_actions.cpp" />
            <source>SyncTeX 编辑器命令(&amp;E)...</source>
            <translation>S&amp;yncTeX editor command...</translation>
        </message>
        <message>
            <location filename="../../viewer/app/writer_actions.cpp" />
            <source>转到源代码(&amp;S)</source>
            <translation>Go to &amp;source</translation>
        </message>
        <message>
            <location filename="../../viewer/app/writer_actions.cpp" />
            <source>转到源代码(&amp;S) — %1</source>
            <translation>Go to &amp;source — %1</translation>
        </message>
        <message>
            <location filename="../../viewer/app/writer_actions.cpp" />
            <source>没有打开的文档</source>
            <translation>No document is open</translation>
        </message>
        <message>
            <location filename="../../viewer/app/writer_actions.cpp" />
            <source>SyncTeX 编辑器命令</source>
            <translation>SyncTeX editor command</translation>
        </message>
        <message>
            <location filename="../../viewer/app/writer_actions.cpp" />
            <source>Ctrl+单击页面时运行的命令（%f 为源文件，%l 为行号），例如 emacsclient +%l %f</source>
            <translation>The command that Ctrl+click on the page runs (%f is the source file, %l the line), for example emacsclient +%l %f</translation>
        </message>
    </context>
    <context>
        <name>Corvalis::Viewer::SourceLink</name>
        <message>
            <location filename="../../viewer/sync/source_link.cpp" />
            <source>没有 SyncTeX 文件（用 -synctex=1 编译 TeX 文档）</source>
            <translation>No SyncTeX file (compile the TeX document with -synctex=1)</translation>
        </message>
        <message>
            <location filename="../../viewer/sync/source_link.cpp" />
            <source>未设置编辑器命令（首选项）</source>
            <translation>No editor command is set (Preferences)</translation>
        </message>
    </context>
</TS>
